#include "KdePortalAnswer.h"

#include <QFileInfo>

PortalReply::Answer kdePortalAnswer(
    const PortalReply::Answer &answer, const QString &picturesFolder)
{
    if (answer.kind != PortalReply::Answer::Declined)
        return answer;
    const QString reason = QFileInfo(picturesFolder).isDir()
        ? QStringLiteral("桌面截图服务没有给出截图（应答 1）。")
        : QStringLiteral("桌面截图服务要先把截图存入“图片”文件夹，而这个文件夹不存在：%1")
              .arg(picturesFolder);
    return {PortalReply::Answer::Failed, {}, reason};
}
