#include "PortalReply.h"

#include <QUrl>

#include <cmath>

namespace PortalReply {

QString requestPath(const QString &uniqueName, const QString &token)
{
    QString sender = uniqueName;
    sender.remove(0, sender.startsWith(u':') ? 1 : 0).replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

Answer interpret(uint response, const QVariantMap &results)
{
    if (response == 1)
        return {Answer::Declined, {}, {}};
    if (response != 0)
        return {
            Answer::Failed, {}, QStringLiteral("桌面截图服务未能截屏（应答 %1）。").arg(response)};
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile() || uri.toLocalFile().isEmpty())
        return {Answer::Failed, {}, QStringLiteral("桌面截图服务没有给出截图文件。")};
    return {Answer::Picture, uri.toLocalFile(), {}};
}

QRect screenRectInPicture(QSize picture, const QRect &desktop, const QRect &screen)
{
    if (picture.isEmpty() || desktop.isEmpty() || !desktop.contains(screen))
        return {};
    const double scale = double(picture.width()) / desktop.width();
    // Every output is drawn at the same scale: the heights must agree too.
    if (std::lround(desktop.height() * scale) != picture.height())
        return {};
    const auto device = [scale](int logical) {
        return int(std::lround(logical * scale));
    };
    const QPoint offset = screen.topLeft() - desktop.topLeft();
    return QRect(QPoint(device(offset.x()), device(offset.y())),
        QPoint(device(offset.x() + screen.width()) - 1, device(offset.y() + screen.height()) - 1));
}

QImage cropToScreen(const QImage &picture, const QRect &desktop, const QRect &screen)
{
    const QRect part = screenRectInPicture(picture.size(), desktop, screen);
    if (part.isEmpty())
        return {};
    QImage cropped = picture.copy(part);
    cropped.setDevicePixelRatio(double(picture.width()) / desktop.width());
    return cropped;
}

} // namespace PortalReply
