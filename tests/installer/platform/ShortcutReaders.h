#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Reads a shortcut file back with two independent readers of the format:
// lnkinfo (liblnk-utils) and exiftool (libimage-exiftool-perl). Both mis-decode
// characters outside the Basic Multilingual Plane; test paths keep to it.
namespace testsupport {

struct ShortcutReadBack
{
    QString target;
    QString icon;
};

inline QString runShortcutReader(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Adds a test failure naming a reader that is not installed; true when both are.
inline bool shortcutReadersPresent()
{
    bool present = true;
    for (const char *reader : {"lnkinfo", "exiftool"}) {
        if (QStandardPaths::findExecutable(reader).isEmpty()) {
            ADD_FAILURE() << reader << " is missing: scripts/setup.sh installs it";
            present = false;
        }
    }
    return present;
}

// lnkinfo prints "\tLocal path\t\t\t: <path>" and "\tIcon location\t\t: <path>".
inline ShortcutReadBack readWithLnkinfo(const QString &file)
{
    ShortcutReadBack result;
    for (const QString &line : runShortcutReader("lnkinfo", {file}).split(u'\n')) {
        const qsizetype colon = line.indexOf(": ");
        const QString key = line.left(colon).trimmed();
        if (colon > 0 && (key == "Local path" || key == "Icon location"))
            (key == "Local path" ? result.target : result.icon) = line.mid(colon + 2);
    }
    return result;
}

inline ShortcutReadBack readWithExiftool(const QString &file)
{
    const QJsonObject tags
        = QJsonDocument::fromJson(runShortcutReader("exiftool", {"-j", file}).toUtf8())
              .array()
              .at(0)
              .toObject();
    return {tags.value("LocalBasePath").toString(), tags.value("IconFileName").toString()};
}

} // namespace testsupport
