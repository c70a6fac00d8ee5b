#include "Moduleimg.h"
#include "Psnr.h"
#include "ScopedMount.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <unistd.h>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &texts, std::ostream *out)
{
    *out << texts.join(QStringLiteral(", ")).toStdString();
}

namespace {

QImage loadScreenshot()
{
    const QString path = QStringLiteral(VEXA_SCREENSHOT);
    QImage image(path);
    if (image.isNull())
        ADD_FAILURE() << "test image missing or unreadable: " << path.toStdString();
    return image;
}

QString identify(const QString &format, const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("identify"), {QStringLiteral("-format"), format, file});
    if (!process.waitForFinished() || process.exitCode() != 0)
        return QStringLiteral("identify failed: ")
            + QString::fromLocal8Bit(process.readAllStandardError());
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

bool isWritable(const QString &folder)
{
    QFile probe(folder + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.remove();
    return true;
}

TEST(SaveJpeg, WritesScreenshotAsQuality80Jpeg420CloseToSource)
{
    const QImage source = loadScreenshot();
    ASSERT_FALSE(source.isNull());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doduvora.jpg"));

    ASSERT_TRUE(saveJpeg(source, path, 80));

    const QImage decoded(path, "JPEG");
    ASSERT_EQ(decoded.size(), source.size());
    EXPECT_EQ(identify(QStringLiteral("%Q"), path), QStringLiteral("80"));
    EXPECT_EQ(
        identify(QStringLiteral("%[jpeg:sampling-factor]"), path), QStringLiteral("2x2,1x1,1x1"));
    const double quality = psnr(source, decoded);
    EXPECT_GE(quality, 35.0);
    RecordProperty("psnr_db", std::to_string(quality));
    std::cout << "PSNR of the quality-80 screenshot: " << quality << " dB\n";
}

TEST(SaveJpeg, HandsQualityToEncoderUnchanged)
{
    const QImage source = loadScreenshot().copy(0, 0, 800, 600);
    QTemporaryDir dir;
    for (int quality : {50, 95}) {
        const QString path = dir.filePath(QStringLiteral("q%1.jpg").arg(quality));
        ASSERT_TRUE(saveJpeg(source, path, quality));
        EXPECT_EQ(identify(QStringLiteral("%Q"), path), QString::number(quality));
    }
}

// Each layout must reach the encoder with its own channel order and row pitch.
TEST(SaveJpeg, EncodesEveryPixelLayoutFaithfully)
{
    const QImage screenshot = loadScreenshot();
    ASSERT_FALSE(screenshot.isNull());
    const QImage source = screenshot.copy(700, 400, 301, 203); // odd sizes: padded rows

    // RGB32 rows with spare bytes at their ends, as a view into a larger buffer.
    const qsizetype paddedPitch = source.width() * 4 + 36;
    std::vector<uchar> padded(static_cast<size_t>(paddedPitch * source.height()), 0xAB);
    const QImage rgb32 = source.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(padded.data() + y * paddedPitch, rgb32.constScanLine(y),
            static_cast<size_t>(source.width()) * 4);
    const QImage paddedView(
        padded.data(), source.width(), source.height(), paddedPitch, QImage::Format_RGB32);

    const std::vector<std::pair<const char *, QImage>> layouts = {
        {"RGB32 padded", paddedView},
        {"RGBX8888", source.convertToFormat(QImage::Format_RGBX8888)},
        {"RGB888", source.convertToFormat(QImage::Format_RGB888)},
        {"BGR888", source.convertToFormat(QImage::Format_BGR888)},
        {"ARGB32 opaque", source.convertToFormat(QImage::Format_ARGB32)},
        {"RGB16", source.convertToFormat(QImage::Format_RGB16)},
    };
    QTemporaryDir dir;
    for (const auto &[name, image] : layouts) {
        const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".jpg"));
        ASSERT_TRUE(saveJpeg(image, path, 80)) << name;
        const QImage decoded(path, "JPEG");
        ASSERT_EQ(decoded.size(), source.size()) << name;
        EXPECT_GE(psnr(image, decoded), 35.0) << name;
    }
}

TEST(SaveJpeg, ReplacesAnEarlierFileWithoutLeavingDebris)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doduvora.jpg"));
    writeFile(path, QByteArray("an earlier capture"));
    const QImage source = loadScreenshot().copy(0, 0, 640, 480);

    ASSERT_TRUE(saveJpeg(source, path, 80));

    EXPECT_EQ(QImage(path, "JPEG").size(), source.size());
    EXPECT_EQ(entries(dir.path()), QStringList {QStringLiteral("doduvora.jpg")});
}

TEST(SaveJpeg, FailsCleanlyWhereItCannotWrite)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a read-only and a full folder";
    const QImage screenshot = loadScreenshot();
    ASSERT_FALSE(screenshot.isNull());
    const QByteArray earlier("an earlier capture");
    QTemporaryDir dir;

    // A folder that does not exist.
    const QString missing = dir.filePath(QStringLiteral("missing/doduvora.jpg"));
    EXPECT_FALSE(saveJpeg(screenshot, missing, 80));
    EXPECT_TRUE(entries(dir.path()).isEmpty());

    // A read-only folder holding an earlier file.
    const QString readOnly = dir.filePath(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir().mkdir(readOnly));
    writeFile(readOnly + QStringLiteral("/doduvora.jpg"), earlier);
    {
        const ReadOnlyFolder mount(readOnly);
        ASSERT_TRUE(mount.isReadOnly());
        ASSERT_FALSE(isWritable(readOnly));
        EXPECT_FALSE(saveJpeg(screenshot, readOnly + QStringLiteral("/doduvora.jpg"), 80));
        EXPECT_EQ(contents(readOnly + QStringLiteral("/doduvora.jpg")), earlier);
        EXPECT_EQ(entries(readOnly), QStringList {QStringLiteral("doduvora.jpg")});
    }

    // A folder that fills up during the write: the earlier file must survive.
    const QString small = dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkdir(small));
    const ScopedMount tmpfs(small, {"-t", "tmpfs", "-o", "size=64k", "tmpfs"});
    ASSERT_TRUE(tmpfs.isMounted());
    writeFile(small + QStringLiteral("/doduvora.jpg"), earlier);
    EXPECT_FALSE(saveJpeg(screenshot, small + QStringLiteral("/doduvora.jpg"), 80));
    EXPECT_EQ(contents(small + QStringLiteral("/doduvora.jpg")), earlier);
    EXPECT_EQ(entries(small), QStringList {QStringLiteral("doduvora.jpg")});
}

TEST(SaveJpeg, RejectsPicturesWithoutPixelsAndBadQuality)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doduvora.jpg"));
    const QByteArray earlier("an earlier capture");
    writeFile(path, earlier);

    EXPECT_FALSE(saveJpeg(QImage(), path, 80));
    EXPECT_FALSE(saveJpeg(QImage(0, 10, QImage::Format_RGB32), path, 80));
    QImage grey(16, 16, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    EXPECT_FALSE(saveJpeg(grey, path, 101)); // out of the encoder's range

    EXPECT_EQ(contents(path), earlier);
    EXPECT_EQ(entries(dir.path()), QStringList {QStringLiteral("doduvora.jpg")});
}

} // namespace
