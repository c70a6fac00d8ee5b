// The pure side of taking the screen: the portal's answer, the crop of its
// picture of every output to the primary screen, the desktop's screenshot
// permission and what follows from it, and the exit status of a capture that
// has no picture.
#include "ScreenSource.h"
#include "PortalReply.h"
#include "ScreenshotPermission.h"

#include <QPainter>
#include <QPixmap>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using PortalReply::Answer;

TEST(PortalReplyTest, RequestPathAndResponses)
{
    EXPECT_EQ(PortalReply::requestPath(":1.42", "vexa1f"),
        "/org/freedesktop/portal/desktop/request/1_42/vexa1f");

    const Answer picture
        = PortalReply::interpret(0, {{"uri", QUrl::fromLocalFile("/tmp/shot 1.png").toString()}});
    EXPECT_EQ(picture.kind, Answer::Picture);
    EXPECT_EQ(picture.filePath, "/tmp/shot 1.png");

    EXPECT_EQ(PortalReply::interpret(1, {}).kind, Answer::Declined);
    const Answer ended = PortalReply::interpret(2, {});
    EXPECT_EQ(ended.kind, Answer::Failed);
    EXPECT_TRUE(ended.reason.contains("2"));
    // A success without a local picture is no success.
    EXPECT_EQ(PortalReply::interpret(0, {}).kind, Answer::Failed);
    EXPECT_EQ(
        PortalReply::interpret(0, {{"uri", "https://example.org/shot.png"}}).kind, Answer::Failed);
}

// Two outputs side by side, the primary one on the right and lower, the
// other at negative coordinates: each filled with its own colour.
TEST(PortalReplyTest, CropsTheDesktopPictureToThePrimaryScreen)
{
    const QRect other(-1280, -200, 1280, 1024);
    const QRect primary(0, 0, 1366, 768);
    const QRect desktop = other | primary;
    for (const int scale : {1, 2}) {
        QImage whole(desktop.size() * scale, QImage::Format_RGB32);
        whole.fill(Qt::black);
        QPainter painter(&whole);
        painter.scale(scale, scale);
        painter.translate(-desktop.topLeft());
        painter.fillRect(other, Qt::red);
        painter.fillRect(primary, Qt::green);
        painter.fillRect(QRect(primary.topLeft(), QSize(1, 1)), Qt::blue);
        painter.end();

        const QImage cropped = PortalReply::cropToScreen(whole, desktop, primary);
        ASSERT_EQ(cropped.size(), primary.size() * scale) << scale;
        EXPECT_EQ(cropped.devicePixelRatio(), scale);
        // Only the primary screen's pixels, its marked corner at the origin.
        int blue = 0, foreign = 0;
        for (int y = 0; y < cropped.height(); ++y) {
            for (int x = 0; x < cropped.width(); ++x) {
                const QRgb pixel = cropped.pixel(x, y);
                blue += pixel == QColor(Qt::blue).rgb() && x < scale && y < scale ? 1 : 0;
                foreign += pixel != QColor(Qt::green).rgb() && pixel != QColor(Qt::blue).rgb();
            }
        }
        EXPECT_EQ(blue, scale * scale) << scale;
        EXPECT_EQ(foreign, 0) << scale;
    }
    // A picture that is not of this desktop gives nothing.
    EXPECT_TRUE(PortalReply::cropToScreen(QImage(1366, 700, QImage::Format_RGB32), primary, primary)
                    .isNull());
    EXPECT_TRUE(PortalReply::cropToScreen(QImage(), desktop, primary).isNull());
    EXPECT_TRUE(PortalReply::cropToScreen(
        QImage(1366, 768, QImage::Format_RGB32), primary, primary.translated(10, 0))
                    .isNull());
}

TEST(ScreenshotPermissionTest, StoredAnswerForThisProgram)
{
    using ScreenshotPermission::fromPermissions;
    using ScreenshotPermission::Stored;
    EXPECT_EQ(fromPermissions({{"", {"yes"}}}), Stored::Granted);
    EXPECT_EQ(fromPermissions({{"", {"no"}}, {"org.example.Other", {"yes"}}}), Stored::Refused);
    // Another program's answer, none, or one that asks each time: the portal may ask.
    EXPECT_EQ(fromPermissions({{"org.example.Other", {"no"}}}), Stored::NotAsked);
    EXPECT_EQ(fromPermissions({}), Stored::NotAsked);
    EXPECT_EQ(fromPermissions({{"", {}}}), Stored::NotAsked);
    EXPECT_EQ(fromPermissions({{"", {"ask"}}}), Stored::NotAsked);
    EXPECT_EQ(fromPermissions({{"org.example.Own", {"yes"}}}, "org.example.Own"), Stored::Granted);

    EXPECT_TRUE(ScreenshotPermission::desktopAsksFirst("GNOME"));
    EXPECT_TRUE(ScreenshotPermission::desktopAsksFirst("ubuntu:GNOME"));
    EXPECT_TRUE(ScreenshotPermission::desktopAsksFirst("GNOME-Classic:gnome"));
    EXPECT_FALSE(ScreenshotPermission::desktopAsksFirst("sway"));
    EXPECT_FALSE(ScreenshotPermission::desktopAsksFirst("GNOME-Flashback-like"));
    EXPECT_FALSE(ScreenshotPermission::desktopAsksFirst(""));
}

// The wait lasts past the portal's own 25 s for its dialog only while the
// desktop may be asking; a request that ended is a refusal only when the store
// says no, and a failure of the service when the permission was granted.
TEST(ScreenshotPermissionTest, WaitAndEnding)
{
    using namespace ScreenshotPermission;
    using std::chrono::seconds;
    EXPECT_GT(answerLimit(Stored::NotAsked, true), seconds(25));
    for (const auto &[stored, asks] : {std::pair(Stored::Granted, true),
             std::pair(Stored::Refused, true), std::pair(Stored::NotAsked, false)}) {
        EXPECT_LE(answerLimit(stored, asks), seconds(5));
        EXPECT_GT(answerLimit(stored, asks), seconds(1));
    }

    EXPECT_EQ(whyEnded(Stored::NotAsked, Stored::Refused, true), Ending::Refused); // Deny now
    EXPECT_EQ(whyEnded(Stored::Refused, Stored::Refused, true), Ending::Refused); // stored earlier
    EXPECT_EQ(whyEnded(Stored::Refused, Stored::Refused, false), Ending::Refused);
    EXPECT_EQ(whyEnded(Stored::NotAsked, Stored::NotAsked, true), Ending::Unanswered);
    EXPECT_EQ(whyEnded(Stored::NotAsked, Stored::NotAsked, false), Ending::Failed);
    EXPECT_EQ(whyEnded(Stored::Granted, Stored::Granted, true), Ending::Failed);
    EXPECT_EQ(whyEnded(Stored::NotAsked, Stored::Granted, true), Ending::Failed);
}

TEST(ScreenPictureTest, NoPictureEndsWithItsStatus)
{
    for (const QPixmap &empty : {QPixmap(), QPixmap(0, 10)}) {
        const ScreenPicture screen = ScreenPicture::fromGrab(empty);
        EXPECT_EQ(screen.status, ScreenPicture::Failed);
        EXPECT_FALSE(screen.reason.isEmpty());
        EXPECT_EQ(screen.exitStatus(), 3);
    }
    EXPECT_EQ(ScreenPicture({ScreenPicture::Declined, {}, {}}).exitStatus(), 1);
    EXPECT_EQ(ScreenPicture({ScreenPicture::Refused, {}, {}}).exitStatus(), 1);
    QPixmap grabbed(4, 3);
    grabbed.fill(Qt::black);
    const ScreenPicture taken = ScreenPicture::fromGrab(grabbed);
    EXPECT_EQ(taken.status, ScreenPicture::Taken);
    EXPECT_EQ(taken.picture.size(), QSize(4, 3));
}

} // namespace
