#include "Agreement.h"

#include "MakerSite.h"

#include <QStringList>

QString makerSiteHost()
{
    return QString::fromUtf8(makerHost);
}

QString agreementText()
{
    const QStringList lines {
        QStringLiteral("VEXA客户端免费安装使用，请您务必遵守我们相关规定："),
        QString(),
        QStringLiteral("1、禁止出售给其他用户，因为我们是免费使用的；"),
        QStringLiteral("2、请勿恶意破坏程序系统；"),
        QStringLiteral("3、本软件最终解释权归") + makerSiteHost() + QStringLiteral("；"),
        QStringLiteral("4、使用方法请查看 使用说明.txt。"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

QString siteCaption()
{
    return QStringLiteral("官网：") + makerSiteHost();
}
