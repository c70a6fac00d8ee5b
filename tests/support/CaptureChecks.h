#pragma once

// What the capture end-to-end tests share: running helper programs, waiting
// for a condition, the screen pattern and the check of a written capture.
#include "Psnr.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <functional>
#include <vector>

namespace testsupport {

constexpr int waitMs = 15000;

// A helper program's exit code, or -1 when it failed or ran too long.
inline int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(waitMs) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitCode();
}

// Starts `program` in `process` on Qt's platform `platform`, in this process's
// environment otherwise.
inline void startOnPlatform(QProcess &process, const QString &program, const char *platform)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", platform);
    process.setProcessEnvironment(env);
    process.start(program, {});
}

// The ids of the live processes running the program at this path.
inline QList<QByteArray> processesOf(const QString &program)
{
    QByteArray pids;
    run("pidof", {program}, &pids);
    pids = pids.simplified();
    return pids.isEmpty() ? QList<QByteArray>() : pids.split(' ');
}

inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = waitMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(10);
    }
    return condition();
}

// The picture a program prints, in RGB32; a null one when it failed.
inline QImage printedPicture(const QString &program, const QStringList &arguments)
{
    QByteArray data;
    return run(program, arguments, &data) == 0
        ? QImage::fromData(data).convertToFormat(QImage::Format_RGB32)
        : QImage();
}

// A gradient crossed by a fine grid that only darkens: JPEG keeps it well,
// while a shift by one pixel moves every grid line.
inline QImage screenPattern(int w, int h)
{
    QImage pattern(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int dark = x % 4 == 0 || y % 3 == 0 ? 80 : 0;
            pattern.setPixel(x, y,
                qRgb(96 + x * 159 / (w - 1) - dark, 96 + y * 159 / (h - 1) - dark,
                    96 + (x + y) * 159 / (w + h - 2) - dark));
        }
    }
    return pattern;
}

// PSNR of a written capture against the region of the pattern, and the best
// one against that region shifted by one pixel.
struct RegionMatch
{
    double toRegion = 0.0;
    double toShifted = 0.0;
};

inline RegionMatch matchRegion(const QImage &pattern, const QRect &region, const QImage &written)
{
    RegionMatch match {psnr(pattern.copy(region), written), 0.0};
    for (QPoint shift : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
        match.toShifted
            = std::max(match.toShifted, psnr(pattern.copy(region.translated(shift)), written));
    return match;
}

// The bounding box of the pixels that differ from the pattern; empty when none do.
inline QRect differenceBox(const QImage &shot, const QImage &pattern)
{
    QRect box;
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            if (shot.pixel(x, y) != pattern.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// One step of a gesture of the left button.
struct PointerStep
{
    enum Kind { Move, Press, Release } kind;
    QPoint at; // for Move
};

// A selection drawn from (100, 120) to (300, 250), then dragged by (31, 13).
struct MovedSelection
{
    // What a double click inside it captures.
    static constexpr QRect captured {131, 133, 200, 130};
    // A point the drawn selection's border covered and the moved one does not.
    static constexpr QPoint drawnCorner {100, 249};
    // Where to double-click.
    static constexpr QPoint inside {230, 200};

    static std::vector<PointerStep> steps()
    {
        using S = PointerStep;
        return {{S::Move, {100, 120}}, {S::Press, {}}, {S::Move, {200, 200}}, {S::Move, {300, 250}},
            {S::Release, {}}, {S::Move, {150, 150}}, {S::Press, {}}, {S::Move, {170, 160}},
            {S::Move, {181, 163}}, {S::Release, {}}};
    }

    // The steps as the tests' pointer clients read them: "move X Y", "press", "release".
    static QStringList commands()
    {
        QStringList lines;
        for (const PointerStep &step : steps())
            lines << (step.kind == PointerStep::Move
                    ? QStringLiteral("move %1 %2").arg(step.at.x()).arg(step.at.y())
                    : step.kind == PointerStep::Press ? QStringLiteral("press")
                                                      : QStringLiteral("release"));
        return lines;
    }
    // A double click inside it, in the same words.
    static QStringList doubleClick()
    {
        return {QStringLiteral("move %1 %2").arg(inside.x()).arg(inside.y()),
            QStringLiteral("press"), QStringLiteral("release"), QStringLiteral("press"),
            QStringLiteral("release")};
    }

    // The moved selection shows over the frozen pattern: its black border where
    // it lies now, the pattern where the drawn one was.
    static bool shown(const QImage &shot, const QImage &pattern)
    {
        return !shot.isNull() && shot.pixel(captured.bottomRight()) == qRgb(0, 0, 0)
            && shot.pixel(drawnCorner) == pattern.pixel(drawnCorner);
    }
};

} // namespace testsupport
