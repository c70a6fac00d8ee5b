#pragma once

#include "PortalReply.h"

#include <QString>

// What the screenshot portal's answer means on KWin's desktop. There the
// portal (KDE's backend) asks nobody about a non-interactive request and
// answers "cancelled" whenever it has no picture to give, most often because
// it cannot save its picture into the user's Pictures folder, which it does
// not create. So that answer is a failure there, told as one, naming the
// missing folder when `picturesFolder` does not exist; every other answer
// stands as it is.
PortalReply::Answer kdePortalAnswer(
    const PortalReply::Answer &answer, const QString &picturesFolder);
