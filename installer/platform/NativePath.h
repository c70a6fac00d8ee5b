#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>

// Internal helpers: the layer takes paths as Unicode text and hands them to
// the system as the locale's bytes (UTF-8 here), unchanged otherwise.
namespace platform::native {

QByteArray encode(const QString &path);
QString decode(const QByteArray &path);
std::filesystem::path fsPath(const QString &path);

// The folder that holds the entry `path` names, as bytes: everything before
// the last separator ("." for a bare name, "/" for an entry at the root).
QByteArray parentOf(const QByteArray &path);

// `path` without trailing separators, except that the root stays "/".
QByteArray withoutTrailingSeparators(const QByteArray &path);

} // namespace platform::native
