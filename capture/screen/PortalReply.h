#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QVariantMap>

// The pure side of the desktop's screenshot portal: where its answer arrives,
// what the answer means, and which part of its picture is the primary screen.
// Nothing here needs a bus or a display.
namespace PortalReply {

// The object path of the Request the portal creates for a call made with
// handle_token `token` by the connection named `uniqueName` (":1.42" gives
// ".../request/1_42/<token>"). Known before the call, so its Response signal
// can be subscribed to first.
QString requestPath(const QString &uniqueName, const QString &token);

// What one Response means.
struct Answer
{
    enum Kind {
        Picture, // filePath holds the picture the portal wrote
        Declined, // the user declined the portal's dialog
        Failed, // reason says why, in words a user reads
    };
    Kind kind = Failed;
    QString filePath;
    QString reason;
};

// The Response's code (0 success, 1 cancelled by the user, 2 otherwise ended)
// and its results: success needs a local "file://" uri.
Answer interpret(uint response, const QVariantMap &results);

// The rectangle of `picture` that shows `screen`, when the picture covers the
// whole desktop `desktop` (the bounding box of every screen, in the same
// logical coordinates as `screen`). The picture's own scale is kept: its
// width over the desktop's gives the device pixels per logical pixel. An
// empty rectangle when the sizes do not fit together.
QRect screenRectInPicture(QSize picture, const QRect &desktop, const QRect &screen);

// The screen's part of the desktop's picture, with its device pixel ratio
// set to the picture's scale; a null image when it cannot be cut out.
QImage cropToScreen(const QImage &picture, const QRect &desktop, const QRect &screen);

} // namespace PortalReply
