#include "InstallReport.h"

#include "Agreement.h"

#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace {

// A report whose server keeps silent is dropped after this long.
constexpr int reportTimeoutMs = 30000;

} // namespace

QUrl makerReportServer()
{
    return QUrl(QStringLiteral("http://") + makerSiteHost() + QLatin1Char('/'));
}

QString reportTime(const QDateTime &moment)
{
    return QLocale::system().toString(moment, QLocale::ShortFormat);
}

QUrl installReportUrl(const QUrl &server, const QString &now)
{
    const QByteArray origin = server.toEncoded(QUrl::RemovePath | QUrl::RemoveQuery
        | QUrl::RemoveFragment | QUrl::RemoveUserInfo | QUrl::StripTrailingSlash);
    // Built from encoded text and taken as it stands, so Qt cannot decode the value again.
    return QUrl::fromEncoded(
        origin + "/api.php?a=clientinstall&now=" + QUrl::toPercentEncoding(now) + "&version=1.3",
        QUrl::StrictMode);
}

QNetworkReply *sendReport(QNetworkAccessManager &network, const QUrl &url)
{
    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(reportTimeoutMs);
    QNetworkReply *reply = network.get(request);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    return reply;
}

bool waitUntilSent(QNetworkReply *reply, int timeoutMs)
{
    const QPointer<QNetworkReply> watched(reply);
    bool sent = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::requestSent, &loop, [&] {
        sent = true;
        loop.quit();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (watched && !watched->isFinished())
        loop.exec();
    return sent;
}
