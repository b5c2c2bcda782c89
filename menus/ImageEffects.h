#pragma once

#include <QCache>
#include <QColor>
#include <QIcon>
#include <QImage>

class TXPMenu;

// The icon effects of menus and tool buttons, on images with an alpha channel. An icon without
// one takes its bottom-left pixel as the transparent colour, as the classic image lists did.
class TImageEffects
{
public:
    // An ARGB copy of the image with its transparent colour keyed out.
    [[nodiscard]] static QImage Prepared(const QImage& image);
    // The icon's pixmap for this size, stretched to it if asked, prepared; kept for the next paint.
    [[nodiscard]] static QImage PreparedIcon(const QIcon& icon, const QSize& size, bool stretch);
    // Every pixel lightened by p percent (at most 100).
    static void FadeImage(const TXPMenu& styler, QImage& image, int p);
    // Every pixel turned grey, n levels lighter. Leading black pixels stay black.
    static void DesaturateImage(const TXPMenu& styler, QImage& image, int n);
    // The image's shape filled with one colour.
    [[nodiscard]] static QImage SilhouetteShadow(const QImage& image, const QColor& colour);
};

// The image kept under `key`, or the one `make` gives, kept from now on at its size in kilobytes.
template <typename Key, typename Make> QImage KeptImage(QCache<Key, QImage>& cache, const Key& key, Make make)
{
    if (const QImage* kept = cache.object(key))
        return *kept;
    QImage image = make();
    cache.insert(key, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    return image;
}
