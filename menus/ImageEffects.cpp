#include "ImageEffects.h"

#include "XPMenu.h"

#include <functional>

namespace {

// Converts pixel by pixel, reusing the last result over a run of equal pixels.
void ConvertPixels(QImage& image, QRgb previous, QRgb previousResult,
                   const std::function<QColor(QColor)>& convert)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            if (pixel != previous) {
                previous = pixel;
                const QColor result = convert(QColor::fromRgb(pixel));
                previousResult = qRgba(result.red(), result.green(), result.blue(), qAlpha(pixel));
            }
            line[x] = previousResult;
        }
    }
}

} // namespace

QImage TImageEffects::Prepared(const QImage& image)
{
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    if (result.isNull())
        return result;
    const QRgb key = result.pixel(0, result.height() - 1);
    if (qAlpha(key) != 255)
        return result;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if (line[x] == key)
                line[x] = 0;
        }
    }
    return result;
}

void TImageEffects::FadeImage(const TXPMenu& styler, QImage& image, int p)
{
    p = std::min(p, 100);
    const QRgb none = image.isNull() ? 0 : ~image.pixel(0, 0);
    ConvertPixels(image, none, 0, [&](QColor pixel) { return styler.Lighten(pixel, p); });
}

void TImageEffects::DesaturateImage(const TXPMenu& styler, QImage& image, int n)
{
    const QRgb black = qRgb(0, 0, 0);
    ConvertPixels(image, black, black, [&](QColor pixel) { return styler.GreyLevelColor(pixel, n); });
}

QImage TImageEffects::SilhouetteShadow(const QImage& image, const QColor& colour)
{
    QImage shadow(image.size(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            to[x] = qAlpha(from[x]) ? qRgba(colour.red(), colour.green(), colour.blue(), qAlpha(from[x])) : 0;
    }
    return shadow;
}
