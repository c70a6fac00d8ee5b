#include "NativePath.h"

#include <QFile>

namespace platform::native {

QByteArray encode(const QString &path)
{
    return QFile::encodeName(path);
}

QString decode(const QByteArray &path)
{
    return QFile::decodeName(path);
}

std::filesystem::path fsPath(const QString &path)
{
    const QByteArray bytes = encode(path);
    return std::filesystem::path(std::string(bytes.constData(), size_t(bytes.size())));
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray withoutTrailingSeparators(const QByteArray &path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == '/')
        --end;
    return path.left(end);
}

} // namespace platform::native
