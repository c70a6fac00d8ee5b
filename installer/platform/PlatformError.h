#pragma once

#include <QString>

#include <exception>

namespace platform {

// The one error every operation of this layer raises when it fails. It carries
// a number and a description, as the installer's top-level guard shows them.
//
// The numbers are the classic run-time error numbers of the scripting
// components this layer stands in for, so a message reads the same on every
// platform:
//    5  Invalid procedure call or argument (unknown special folder, a text too
//       long for the shortcut format)
//   52  Bad file name or number            (name too long, invalid name)
//   53  File not found                     (a missing file)
//   54  Bad file mode                      (writing to a closed text stream)
//   57  Device I/O error                   (the device failed a read or write)
//   58  File already exists                (creating over an existing entry)
//   61  Disk full                          (no space or quota left)
//   70  Permission denied                  (no access, a read-only file system
//                                           or file, a file or folder in use)
//   75  Path/File access error             (a path of the wrong kind, e.g. a
//                                           folder where a file is expected)
//   76  Path not found                     (a missing folder or parent folder)
//
// The description names the operation and the path, then the standard text of
// the number and, where the system gave one, its own reason:
//   CopyFile "/opt/vexa/vexa.exe": Permission denied (Read-only file system)
class PlatformError : public std::exception
{
public:
    enum Number {
        InvalidArgument = 5,
        BadFileName = 52,
        FileNotFound = 53,
        BadFileMode = 54,
        DeviceIOError = 57,
        FileAlreadyExists = 58,
        DiskFull = 61,
        PermissionDenied = 70,
        PathFileAccessError = 75,
        PathNotFound = 76,
    };

    // What a missing entry (ENOENT) means for the path an operation names:
    // the file itself is missing (53), or the folder or a parent is (76).
    enum class Subject { File, Folder };

    PlatformError(
        int number, const QString &operation, const QString &path, const QString &reason = {});

    // Builds the error for a failed system call from its errno value.
    static PlatformError fromErrno(
        int errnoValue, const QString &operation, const QString &path, Subject subject);
    // The number for an errno value, as fromErrno() chooses it.
    static int numberForErrno(int errnoValue, Subject subject);
    // The standard text of a number ("Path not found").
    static QString standardText(int number);

    int number() const noexcept { return m_number; }
    QString description() const { return m_description; }
    // The operation's name as given ("CopyFile") and the path it failed on.
    QString operation() const { return m_operation; }
    QString path() const { return m_path; }
    // "<number>: <description>" in UTF-8.
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_operation;
    QString m_path;
    QString m_description;
    QByteArray m_what;
};

} // namespace platform
