#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A file an installation wrote outside its install folder, at a place the user's folders fix.
struct OutsideFile
{
    enum class Kind { Launcher, Icon, Settings };

    Kind kind = Kind::Launcher;
    QString path; // a full path
    QByteArray sha256; // of the content written there
};

// What an installation wrote, kept in its install folder so that exactly that can be removed:
// the files and folders inside the install folder, as relative paths of plain names separated by
// "/" ("vexa.exe", "res/skin"), and the files outside it.
struct InstallRecord
{
    QString installFolder; // the folder as the installer was given it
    QStringList files;
    QStringList folders;
    QList<OutsideFile> outside;
};

// The record's file in `installFolder`.
QString recordFilePath(const QString &installFolder);

// Writes `record` into `installFolder`, replacing an earlier record whole: it is written under a
// temporary name and renamed into place, so a reader finds the earlier record or the new one.
// Raises platform::PlatformError when it cannot be written.
void writeInstallRecord(const QString &installFolder, const InstallRecord &record);

// A record as read back: the entries that may be acted on, and the refused ones.
struct RecordReading
{
    InstallRecord record;
    QStringList refused; // each entry as it stood, and why it was refused in brackets
};

// Reads the record in `installFolder`, never through a link. An entry inside the folder must be a
// relative path of plain names (see isPlainRelativePath); an outside file must be a full path
// without "." or ".." names, of a known kind, with its content's hash. Every other entry is
// refused and left out. Raises platform::PlatformError "ReadRecord": 53 when there is no record,
// 75 when it is no regular file or no record of this installer, and the error of a failed read.
RecordReading readInstallRecord(const QString &installFolder);

// Whether `entry` names something below a folder: relative, its names neither empty nor "." nor
// "..", no NUL character.
bool isPlainRelativePath(const QString &entry);

// The SHA-256 of the regular file at `path`, reached without following a link at its end; nothing
// when no regular file is there or it cannot be read.
std::optional<QByteArray> contentHash(const QString &path);

// Whether anything at all is at `path`, a link that leads nowhere included.
bool entryExists(const QString &path);
