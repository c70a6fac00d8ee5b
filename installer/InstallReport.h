#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

// The report of a finished installation: one GET to the maker's server.

// The maker's server: plain HTTP to the host fixed at build time.
QUrl makerReportServer();

// The moment as the user's locale writes it in short form (date, blank, time of day).
QString reportTime(const QDateTime &moment);

// "/api.php?a=clientinstall&now=<now>&version=1.3" on `server` (only its scheme, host and port
// count). `now` is percent-encoded, so the request line stays valid HTTP whatever the locale puts
// in it, and the server decodes exactly `now`.
QUrl installReportUrl(const QUrl &server, const QString &now);
