#include "PackageLinks.h"

#include "platform/PlatformError.h"

#include <QDir>
#include <QFileInfo>

void refuseOutsidePackage(const QString &package, const QString &file, const QString &operation)
{
    const QString target = QFileInfo(file).canonicalFilePath();
    const QString root = QFileInfo(package).canonicalFilePath();
    if (target.isEmpty() || root.isEmpty())
        return;
    if (target.startsWith(root + QDir::separator()))
        return;
    throw platform::PlatformError(platform::PlatformError::PathFileAccessError, operation, file,
        QStringLiteral("symbolic link leads outside the package to \"%1\"").arg(target));
}
