#include "InstallRecord.h"

#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString recordName = QStringLiteral("install-record.json");
const QString formatName = QStringLiteral("vexa-install-record");
constexpr int formatVersion = 1;
// Far more than the record of a package of many thousand files, or a launcher, needs.
constexpr qsizetype maxReadBytes = 64 * 1024 * 1024;

const QString operation = QStringLiteral("ReadRecord");

const std::pair<OutsideFile::Kind, QString> kindNames[] = {
    {OutsideFile::Kind::Launcher, QStringLiteral("launcher")},
    {OutsideFile::Kind::Icon, QStringLiteral("icon")},
    {OutsideFile::Kind::Settings, QStringLiteral("settings")},
};

// The content of the regular file `path`, opened without following a link at its end and never
// blocking on a special file. Nothing when there is none or it cannot be read, unless `raise`:
// then PlatformError.
std::optional<QByteArray> readRegularFile(const QString &path, bool raise)
{
    const QByteArray name = platform::native::encode(path);
    const platform::FileDescriptor fd(
        ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    const auto fail = [&](int error) -> std::optional<QByteArray> {
        if (raise && error == ELOOP)
            throw platform::PlatformError(platform::PlatformError::PathFileAccessError, operation,
                path, QStringLiteral("not a regular file"));
        if (raise)
            throw platform::PlatformError::fromErrno(
                error, operation, path, platform::PlatformError::Subject::File);
        return std::nullopt;
    };
    struct stat info;
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0)
        return fail(errno);
    // ELOOP stands for every entry that is no regular file, or one far too large.
    if (!S_ISREG(info.st_mode) || info.st_size > maxReadBytes)
        return fail(ELOOP);
    QByteArray content;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk.data(), size_t(chunk.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno);
        if (got == 0)
            return content;
        content.append(chunk.constData(), got);
        if (content.size() > maxReadBytes)
            return fail(ELOOP);
    }
}

QJsonArray arrayOf(const QStringList &texts)
{
    QJsonArray array;
    for (const QString &text : texts)
        array.append(text);
    return array;
}

// The plain relative paths of `array`; anything else goes to `refused`.
QStringList relativePaths(const QJsonArray &array, QStringList &refused)
{
    QStringList paths;
    for (const QJsonValue &value : array) {
        if (value.isString() && isPlainRelativePath(value.toString()))
            paths << value.toString();
        else
            refused
                << QStringLiteral("%1（不是安装文件夹中的路径）").arg(value.toVariant().toString());
    }
    return paths;
}

std::optional<OutsideFile> outsideFileOf(const QJsonObject &object)
{
    OutsideFile file;
    file.path = object.value(QStringLiteral("path")).toString();
    file.sha256 = QByteArray::fromHex(object.value(QStringLiteral("sha256")).toString().toLatin1());
    const QString kind = object.value(QStringLiteral("kind")).toString();
    const auto known = std::find_if(std::begin(kindNames), std::end(kindNames),
        [&kind](const auto &pair) { return pair.second == kind; });
    // A full path whose names are all plain: the path without its leading separator.
    if (known == std::end(kindNames) || !QDir::isAbsolutePath(file.path)
        || !isPlainRelativePath(file.path.mid(1))
        || file.sha256.size() != QCryptographicHash::hashLength(QCryptographicHash::Sha256))
        return std::nullopt;
    file.kind = known->first;
    return file;
}

} // namespace

QString recordFilePath(const QString &installFolder)
{
    return installFolder + QDir::separator() + recordName;
}

void writeInstallRecord(const QString &installFolder, const InstallRecord &record)
{
    QJsonArray outside;
    for (const OutsideFile &file : record.outside) {
        const auto kind = std::find_if(std::begin(kindNames), std::end(kindNames),
            [&file](const auto &pair) { return pair.first == file.kind; });
        outside.append(QJsonObject {
            {QStringLiteral("kind"), kind->second},
            {QStringLiteral("path"), file.path},
            {QStringLiteral("sha256"), QString::fromLatin1(file.sha256.toHex())},
        });
    }
    const QJsonObject object {
        {QStringLiteral("format"), formatName},
        {QStringLiteral("version"), formatVersion},
        {QStringLiteral("installFolder"), record.installFolder},
        {QStringLiteral("files"), arrayOf(record.files)},
        {QStringLiteral("folders"), arrayOf(record.folders)},
        {QStringLiteral("outside"), outside},
    };
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Indented).trimmed();
    platform::TextStream stream
        = platform::FileSystem().CreateTextFile(recordFilePath(installFolder), true);
    stream.WriteLine(QString::fromUtf8(json));
    stream.Close();
}

RecordReading readInstallRecord(const QString &installFolder)
{
    const QString path = recordFilePath(installFolder);
    const QByteArray content = *readRegularFile(path, true);
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(content, &error).object();
    if (error.error != QJsonParseError::NoError
        || object.value(QStringLiteral("format")).toString() != formatName
        || object.value(QStringLiteral("version")).toInt() != formatVersion)
        throw platform::PlatformError(platform::PlatformError::PathFileAccessError, operation, path,
            QStringLiteral("not an install record"));

    RecordReading reading;
    InstallRecord &record = reading.record;
    record.installFolder = object.value(QStringLiteral("installFolder")).toString();
    record.files = relativePaths(object.value(QStringLiteral("files")).toArray(), reading.refused);
    record.folders
        = relativePaths(object.value(QStringLiteral("folders")).toArray(), reading.refused);
    for (const QJsonValue &value : object.value(QStringLiteral("outside")).toArray()) {
        if (const std::optional<OutsideFile> file = outsideFileOf(value.toObject()))
            record.outside << *file;
        else
            reading.refused << QStringLiteral("%1（不是安装程序写入的文件）")
                                   .arg(value.toObject().value(QStringLiteral("path")).toString());
    }
    return reading;
}

bool isPlainRelativePath(const QString &entry)
{
    if (entry.isEmpty() || entry.contains(QChar(0)) || QDir::isAbsolutePath(entry))
        return false;
    const QStringList names = entry.split(QLatin1Char('/'));
    return std::none_of(names.begin(), names.end(), [](const QString &name) {
        return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..");
    });
}

std::optional<QByteArray> contentHash(const QString &path)
{
    const std::optional<QByteArray> content = readRegularFile(path, false);
    if (!content)
        return std::nullopt;
    return QCryptographicHash::hash(*content, QCryptographicHash::Sha256);
}

bool entryExists(const QString &path)
{
    struct stat info;
    return ::lstat(platform::native::encode(path).constData(), &info) == 0;
}
