#include "InstallReport.h"

#include "Agreement.h"

#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

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
