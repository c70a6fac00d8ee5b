#pragma once

#include <QString>

// The usage agreement shown in the installer window: six lines joined with CR LF, the second
// line empty, no line end after the last.
QString agreementText();

// The caption of the link to the maker's site: "官网：" followed by the host.
QString siteCaption();

// The maker's host as text.
QString makerSiteHost();
