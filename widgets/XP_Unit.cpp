#include "XP_Unit.h"

#include <QDirIterator>
#include <QEvent>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <vector>

// Outside any namespace: the resource initialiser must be looked up globally.
static void InitSkinResources()
{
    Q_INIT_RESOURCE(skins);
}

namespace {

// The finger tip of XPHANDCUR.
constexpr QPoint kHandHotSpot(10, 1);

struct TSkinStore
{
    QHash<QString, QString> paths; // upper-case base name -> resource path
    QHash<QString, QImage> images; // upper-case base name -> decoded image
    bool caching = true;
};

TSkinStore& Store()
{
    static TSkinStore store = [] {
        InitSkinResources();
        TSkinStore s;
        QDirIterator it(QStringLiteral(":/skins"), QDir::Files);
        while (it.hasNext()) {
            it.next();
            s.paths.insert(it.fileInfo().completeBaseName().toUpper(), it.filePath());
        }
        return s;
    }();
    return store;
}

// Source index for target index t of n, keeping the first `head` and last `tail` source
// indexes at the ends and repeating index `head` in between, in the order the skin routine
// writes them: the tail part first, then the repeated middle, then the head.
int KeepEnds(int t, int n, int srcSize, int head)
{
    if (t < head)
        return t;
    if (t <= n - head - 1)
        return head;
    return t - (n - srcSize);
}

// Keeps a backdrop on its owner's whole area.
class TCover final : public QObject
{
public:
    explicit TCover(QWidget* backdrop) : QObject(backdrop), m_backdrop(backdrop) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && watched == m_backdrop->parentWidget())
            m_backdrop->setGeometry(m_backdrop->parentWidget()->rect());
        return false;
    }

private:
    QWidget* m_backdrop;
};

} // namespace

bool PointInside(const QRect& rect, int X, int Y)
{
    return rect.left() <= X && X <= rect.left() + rect.width() && rect.top() <= Y &&
           Y <= rect.top() + rect.height();
}

void DrawSilhouette(const QImage& bitmap, QPainter& canvas, int X, int Y, const QColor& color)
{
    if (!bitmap.isNull())
        canvas.drawImage(X, Y, Silhouette(bitmap, color));
}

QImage Silhouette(const QImage& bitmap, const QColor& color)
{
    if (bitmap.isNull())
        return {};
    const QImage source = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = source.pixel(0, source.height() - 1);
    QImage shape(source.size(), QImage::Format_ARGB32);
    const QRgb ink = color.rgba();
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(shape.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            out[x] = in[x] == key ? 0 : ink;
    }
    return shape;
}

QImage KeyedOut(const QImage& image, const QColor& key)
{
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb rgb = key.rgb() & RGB_MASK;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] & RGB_MASK) == rgb)
                line[x] = 0;
    }
    return keyed;
}

QImage ExtractFrame(const QImage& strip, int count, int index, bool horizontal)
{
    const int width = horizontal ? strip.width() / count : strip.width();
    const int height = horizontal ? strip.height() : strip.height() / count;
    const QPoint origin = horizontal ? QPoint(width * (index - 1), 0) : QPoint(0, height * (index - 1));
    return strip.copy(QRect(origin, QSize(width, height)));
}

void StretchSkin(const QImage& bitmap, QPainter& canvas, const QRect& rect)
{
    const QImage out = StretchedSkin(bitmap, rect.size());
    if (!out.isNull())
        canvas.drawImage(rect.topLeft(), out);
}

QImage StretchedSkin(const QImage& bitmap, QSize size)
{
    const int W = size.width();
    const int H = size.height();
    if (bitmap.isNull() || W <= 0 || H <= 0)
        return {};
    const QImage source = bitmap.convertToFormat(QImage::Format_RGB32);
    const int Sw = source.width();
    const int Sh = source.height();
    const int kx = Sw / 2;
    const int ky = Sh / 2;

    std::vector<int> column(static_cast<std::size_t>(W));
    for (int x = 0; x < W; ++x)
        column[std::size_t(x)] = KeepEnds(x, W, Sw, kx);
    // The ky + 1 bottom rows come from the Sh - ky bottom rows of the image, 1:1 when Sh is odd.
    const auto row = [&](int y) {
        if (y >= ky && y <= H - ky - 2)
            return ky;
        if (y >= H - ky - 1)
            return ky + (y - (H - ky - 1)) * (Sh - ky) / (ky + 1);
        return y;
    };

    QImage out(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(std::clamp(row(y), 0, Sh - 1)));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (y > 0 && row(y) == row(y - 1)) {
            std::copy_n(reinterpret_cast<const QRgb*>(out.constScanLine(y - 1)), W, line);
            continue;
        }
        for (int x = 0; x < W; ++x)
            line[x] = in[std::clamp(column[std::size_t(x)], 0, Sw - 1)];
    }
    return out;
}

QImage LoadSkin(const QString& name)
{
    TSkinStore& store = Store();
    const QString key = name.toUpper();
    if (store.caching) {
        const auto found = store.images.constFind(key);
        if (found != store.images.constEnd())
            return *found;
    }
    const QString path = store.paths.value(key);
    QImage image = path.isEmpty() ? QImage() : QImage(path);
    if (image.isNull()) {
        qWarning("skin image %s is missing", qPrintable(name));
        return image;
    }
    if (store.caching)
        store.images.insert(key, image);
    return image;
}

void SetSkinCaching(bool on)
{
    TSkinStore& store = Store();
    store.caching = on;
    if (!on)
        store.images.clear();
}

bool SkinCaching()
{
    return Store().caching;
}

void CoverOwner(QWidget* backdrop)
{
    QWidget* owner = backdrop->parentWidget();
    if (owner->isWindow())
        owner->setWindowFlag(Qt::FramelessWindowHint, true);
    backdrop->setGeometry(owner->rect());
    backdrop->lower();
    owner->installEventFilter(new TCover(backdrop));
}

QCursor XPHandCursor()
{
    return QCursor(QPixmap::fromImage(LoadSkin(QStringLiteral("XPHANDCUR"))), kHandHotSpot.x(),
                   kHandHotSpot.y());
}
