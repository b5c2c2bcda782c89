#include "ImageEffects.h"

#include "XPMenu.h"

#include <QGuiApplication>

namespace {

struct TIconKey
{
    qint64 icon;
    QSize size;
    qreal pixelRatio; // the icon's pixmap follows the application's, which a new screen may change
    bool stretch;
    bool operator==(const TIconKey&) const = default;
};

size_t qHash(const TIconKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.icon, key.size.width(), key.size.height(), key.pixelRatio, key.stretch);
}

// A few megabytes of icons; those of icons gone meanwhile fall out as others come in.
constexpr int kIconCacheKilobytes = 4096;

// Converts pixel by pixel, reusing the last result over a run of equal pixels.
template <typename Convert>
void ConvertPixels(QImage& image, QRgb previous, QRgb previousResult, Convert convert)
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

QImage TImageEffects::PreparedIcon(const QIcon& icon, const QSize& size, bool stretch)
{
    static QCache<TIconKey, QImage> cache(kIconCacheKilobytes);
    const TIconKey key{icon.cacheKey(), size, qApp->devicePixelRatio(), stretch};
    return KeptImage(cache, key, [&] {
        const QImage image = icon.pixmap(size).toImage();
        return Prepared(stretch ? image.scaled(size) : image);
    });
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
