#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The report of a finished installation: one GET to the maker's server.

// The maker's server: plain HTTP to the host fixed at build time.
QUrl makerReportServer();

// The moment as the user's locale writes it in short form (date, blank, time of day).
QString reportTime(const QDateTime &moment);

// "/api.php?a=clientinstall&now=<now>&version=1.3" on `server` (only its scheme, host and port
// count). `now` is percent-encoded, so the request line stays valid HTTP whatever the locale puts
// in it, and the server decodes exactly `now`.
QUrl installReportUrl(const QUrl &server, const QString &now);

// Sends one GET to `url` through `network` and forgets it: no redirect is followed, the answer is
// never read (the exchange ends as the server starts answering), and a server that keeps silent
// is dropped after half a minute. The reply deletes itself once it is over.
QNetworkReply *sendReport(QNetworkAccessManager &network, const QUrl &url);

// Runs the event loop until `reply` has gone out to the server, or has failed, or `timeoutMs`
// have passed: what a program that ends right after its report waits for. True when it went out.
bool waitUntilSent(QNetworkReply *reply, int timeoutMs);
