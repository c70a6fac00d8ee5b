#pragma once

#include <QImage>

#include <cmath>
#include <limits>

// Peak signal-to-noise ratio of actual against expected over the three colour
// channels, in dB: infinite for identical pictures, 0 for different sizes.
inline double psnr(const QImage &expected, const QImage &actual)
{
    const QImage a = expected.convertToFormat(QImage::Format_RGB32);
    const QImage b = actual.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size() || a.isNull())
        return 0.0;
    double sum = 0.0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += d * d;
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0.0 ? std::numeric_limits<double>::infinity()
                      : 10.0 * std::log10(255.0 * 255.0 / mse);
}
