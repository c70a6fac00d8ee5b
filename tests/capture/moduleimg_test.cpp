#include "Files.h"
#include "Moduleimg.h"
#include "Mount.h"
#include "Psnr.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using namespace testsupport;

const QByteArray earlier = "an earlier capture";

QImage screenshot()
{
    const QImage image(VEXA_SCREENSHOT);
    EXPECT_FALSE(image.isNull()) << "missing test image " VEXA_SCREENSHOT;
    return image;
}

QString identify(const QString &format, const QString &file)
{
    QProcess process;
    process.start("identify", {"-format", format, file});
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

void putEarlier(const QString &folder)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    writeAll(folder + "/doduvora.jpg", earlier);
}

// A failed save leaves the earlier file byte-identical and nothing beside it.
void expectRefusedKeepingEarlier(const QImage &image, const QString &folder, int quality = 80)
{
    EXPECT_FALSE(saveJpeg(image, folder + "/doduvora.jpg", quality));
    EXPECT_EQ(readAll(folder + "/doduvora.jpg"), earlier);
    EXPECT_EQ(entriesOf(folder), QStringList {"doduvora.jpg"});
}

TEST(SaveJpeg, ReplacesAnEarlierFileWithAQuality80Jpeg420CloseToTheSource)
{
    const QImage source = screenshot();
    QTemporaryDir dir;
    putEarlier(dir.path());
    const QString path = dir.filePath("doduvora.jpg");
    ASSERT_TRUE(saveJpeg(source, path, 80));

    const QImage decoded(path, "JPEG");
    ASSERT_EQ(decoded.size(), source.size());
    EXPECT_EQ(identify("%Q", path), "80");
    EXPECT_EQ(identify("%[jpeg:sampling-factor]", path), "2x2,1x1,1x1");
    const double quality = psnr(source, decoded);
    EXPECT_GE(quality, 35.0);
    std::cout << "PSNR of the quality-80 screenshot: " << quality << " dB\n";
    EXPECT_EQ(entriesOf(dir.path()), QStringList {"doduvora.jpg"});

    // Any quality reaches the encoder unchanged.
    ASSERT_TRUE(saveJpeg(source, path, 95));
    EXPECT_EQ(identify("%Q", path), "95");
}

// Each layout reaches the encoder with its own channel order, and the rows of
// an odd width with their padding.
TEST(SaveJpeg, EncodesEveryPixelLayoutFaithfully)
{
    const QImage source = screenshot().copy(700, 400, 301, 203);
    QTemporaryDir dir;
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGBX8888,
             QImage::Format_RGB888, QImage::Format_BGR888, QImage::Format_RGB16}) {
        const QImage image = source.convertToFormat(format);
        ASSERT_TRUE(saveJpeg(image, dir.filePath("layout.jpg"), 80)) << format;
        EXPECT_GE(psnr(image, QImage(dir.filePath("layout.jpg"), "JPEG")), 35.0) << format;
    }
}

TEST(SaveJpeg, FailsCleanlyWhereItCannotWrite)
{
    const QImage source = screenshot();
    QTemporaryDir dir;
    EXPECT_FALSE(saveJpeg(source, dir.filePath("missing/doduvora.jpg"), 80));
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());

    const QString readOnly = dir.filePath("readonly");
    putEarlier(readOnly);
    {
        const testsupport::Mount mount(readOnly);
        ASSERT_TRUE(mount.ok()) << mount.error();
        expectRefusedKeepingEarlier(source, readOnly);
    }
    // A folder that fills up during the write.
    const QString small = dir.filePath("small");
    ASSERT_TRUE(QDir().mkdir(small));
    const testsupport::Mount tmpfs(small, "size=64k");
    ASSERT_TRUE(tmpfs.ok()) << tmpfs.error();
    putEarlier(small);
    expectRefusedKeepingEarlier(source, small);

    // Pictures without pixels, and a quality out of the encoder's range.
    QImage grey(16, 16, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    expectRefusedKeepingEarlier(QImage(), readOnly);
    expectRefusedKeepingEarlier(QImage(0, 10, QImage::Format_RGB32), readOnly);
    expectRefusedKeepingEarlier(grey, readOnly, 101);
}

} // namespace
