// Draws the skin of the window frame and the dialog controls: caption bar, borders, caption buttons,
// push button, check box, radio box, and the hand cursor. Every strip has its exact size and frame
// layout; the results are committed beside skins.qrc.
// Usage: corvane-make-skins <resources/skins folder>

#include "PictureTool.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

const QColor kMagenta(255, 0, 255);

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Colour at t (0..1) along a list of evenly spaced stops.
QColor along(const std::vector<QColor>& stops, double t)
{
    const double at = std::clamp(t, 0.0, 1.0) * double(stops.size() - 1);
    const auto i = std::min(std::size_t(at), stops.size() - 2);
    return mix(stops[i], stops[i + 1], at - double(i));
}

// The inactive frame is the active one washed towards a pale grey-blue.
QColor washed(const QColor& c)
{
    return mix(c, QColor(166, 184, 228), 0.62);
}

// ---- window frame --------------------------------------------------------------------------------

// Caption bar, 29 rows: a light rim at the top, a deep blue body, a dark line at the bottom.
QColor captionRow(int y)
{
    static const std::vector<QColor> body{QColor(18, 104, 246), QColor(4, 86, 232), QColor(0, 76, 220),
                                          QColor(0, 70, 212)};
    switch (y) {
    case 0:
        return QColor(92, 158, 255);
    case 1:
        return QColor(48, 128, 252);
    case 27:
        return QColor(0, 56, 186);
    case 28:
        return QColor(0, 42, 150);
    default:
        return along(body, (y - 2) / 24.0);
    }
}

const QColor kOutline(0, 34, 128);
const QColor kBorderMid(0, 84, 227);
const QColor kBorderInner(0, 58, 196);

// Side border, 3 x 63: outline on the outside; beside the caption it takes the caption's rows; at the
// bottom it turns into the bottom border's rows so the corners are square and seamless.
QColor sideColumn(int x, int y)
{
    if (x == 0)
        return kOutline;
    if (y < 29)
        return x == 1 ? captionRow(y).lighter(112) : captionRow(y);
    if (y == 60)
        return kBorderInner;
    if (y == 61)
        return kBorderMid;
    if (y == 62)
        return kOutline;
    return x == 1 ? kBorderMid : kBorderInner;
}

QColor bottomRow(int y)
{
    return y == 0 ? kBorderInner : y == 1 ? kBorderMid : kOutline;
}

QImage strip(int frameWidth, int frameHeight, int frames, bool horizontal,
             const std::function<QColor(int, int, int)>& at)
{
    const QSize size =
        horizontal ? QSize(frameWidth * frames, frameHeight) : QSize(frameWidth, frameHeight * frames);
    QImage image(size, QImage::Format_RGB32);
    for (int f = 0; f < frames; ++f) {
        const QPoint origin = horizontal ? QPoint(f * frameWidth, 0) : QPoint(0, f * frameHeight);
        for (int y = 0; y < frameHeight; ++y)
            for (int x = 0; x < frameWidth; ++x)
                image.setPixelColor(origin + QPoint(x, y), at(f + 1, x, y));
    }
    return image;
}

QColor activeOr(int frame, const QColor& c)
{
    return frame == 1 ? c : washed(c);
}

QImage caption()
{
    return strip(60, 29, 2, false, [](int frame, int, int y) { return activeOr(frame, captionRow(y)); });
}

QImage leftBorder()
{
    return strip(3, 63, 2, true, [](int frame, int x, int y) { return activeOr(frame, sideColumn(x, y)); });
}

QImage rightBorder()
{
    return strip(3, 63, 2, true,
                 [](int frame, int x, int y) { return activeOr(frame, sideColumn(2 - x, y)); });
}

QImage bottomBorder()
{
    return strip(43, 3, 2, false, [](int frame, int, int y) { return activeOr(frame, bottomRow(y)); });
}

// ---- caption buttons -----------------------------------------------------------------------------

enum class Glyph
{
    Close,
    Max,
    Restore,
    Min,
    Help
};

struct ButtonLook
{
    QColor top, bottom, rim;
};

ButtonLook captionButtonLook(bool red, int state) // 1 normal, 2 pressed, 3 hot
{
    if (red) {
        switch (state) {
        case 2:
            return {QColor(164, 44, 20), QColor(214, 86, 54), QColor(236, 214, 208)};
        case 3:
            return {QColor(255, 150, 118), QColor(232, 84, 50), Qt::white};
        default:
            return {QColor(238, 116, 84), QColor(200, 58, 28), Qt::white};
        }
    }
    switch (state) {
    case 2:
        return {QColor(0, 46, 170), QColor(30, 96, 232), QColor(200, 214, 240)};
    case 3:
        return {QColor(130, 184, 255), QColor(48, 118, 250), Qt::white};
    default:
        return {QColor(70, 134, 255), QColor(10, 74, 226), Qt::white};
    }
}

void drawGlyph(QPainter& p, Glyph glyph, int state)
{
    // A pressed button's glyph sinks by one pixel.
    p.translate(state == 2 ? 1 : 0, state == 2 ? 1 : 0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    switch (glyph) {
    case Glyph::Close: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::SquareCap));
        p.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 10.5));
        p.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 10.5));
        break;
    }
    case Glyph::Max:
        p.drawRect(3, 3, 8, 2);
        p.drawRect(3, 5, 1, 7);
        p.drawRect(10, 5, 1, 7);
        p.drawRect(3, 11, 8, 1);
        break;
    case Glyph::Restore:
        p.drawRect(6, 2, 6, 2);
        p.drawRect(11, 4, 1, 5);
        p.drawRect(9, 8, 2, 1);
        p.drawRect(6, 4, 1, 1);
        p.drawRect(3, 6, 6, 2);
        p.drawRect(3, 8, 1, 5);
        p.drawRect(8, 8, 1, 5);
        p.drawRect(3, 12, 6, 1);
        break;
    case Glyph::Min:
        p.drawRect(4, 10, 5, 2);
        break;
    case Glyph::Help: {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath q;
        q.moveTo(4.8, 5.6);
        q.cubicTo(4.8, 2.6, 10.2, 2.6, 10.2, 5.6);
        q.cubicTo(10.2, 7.6, 7.5, 7.4, 7.5, 9.6);
        p.setPen(QPen(Qt::white, 1.9, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 10.8, 2, 2));
        break;
    }
    }
}

// 46 x 16: three frames of 15 (normal, pressed, hot); the last column belongs to none and is magenta.
QImage captionButton(Glyph glyph)
{
    QImage image(46, 16, QImage::Format_RGB32);
    image.fill(kMagenta);
    for (int state = 1; state <= 3; ++state) {
        const ButtonLook look = captionButtonLook(glyph == Glyph::Close, state);
        const int left = (state - 1) * 15;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 15; ++x) {
                const bool edge = x == 0 || x == 14 || y == 0 || y == 15;
                // A soft glow in the upper left of the face.
                const double glow = std::max(0.0, 1.0 - std::hypot(x - 4.0, y - 3.0) / 9.0) * 0.35;
                const QColor face =
                    mix(mix(look.top, look.bottom, y / 15.0), Qt::white, state == 2 ? 0 : glow);
                image.setPixelColor(left + x, y, edge ? look.rim : face);
            }
        }
        // Rounded corners: the corner pixels are transparent, their neighbours soften the rim.
        for (const QPoint& corner : {QPoint(0, 0), QPoint(14, 0), QPoint(0, 15), QPoint(14, 15)}) {
            image.setPixelColor(left + corner.x(), corner.y(), kMagenta);
            const QPoint inward(corner.x() == 0 ? 1 : 13, corner.y() == 0 ? 1 : 14);
            image.setPixelColor(left + inward.x(), inward.y(), look.rim);
        }
        QPainter p(&image);
        p.setClipRect(left + 2, 2, 11, 12);
        p.translate(left, 0);
        drawGlyph(p, glyph, state);
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

// ---- push button ---------------------------------------------------------------------------------

// 90 x 21, five frames of 18: normal, pressed, disabled, hot, focused. The skin is stretched with
// its nine outer columns and ten top and eleven bottom rows kept, so rings and corners survive.
QImage pushButton()
{
    const QColor background(248, 246, 230);
    return strip(18, 21, 5, true, [&](int frame, int x, int y) {
        const bool disabled = frame == 3;
        const QColor border = disabled ? QColor(201, 199, 186) : QColor(0, 60, 116);
        const bool cornerPixel = (x == 0 || x == 17) && (y == 0 || y == 20);
        if (cornerPixel)
            return mix(background, border, 0.25);
        const bool nearCorner =
            (x <= 1 || x >= 16) && (y <= 1 || y >= 19) && (x == 0 || x == 17 || y == 0 || y == 20);
        if (nearCorner)
            return mix(background, border, 0.7);
        if (x == 0 || x == 17 || y == 0 || y == 20)
            return border;
        const double t = (y - 1) / 18.0;
        QColor face;
        switch (frame) {
        case 2:
            face = along(
                {QColor(214, 210, 200), QColor(228, 226, 218), QColor(236, 235, 230), QColor(242, 241, 238)},
                t);
            break;
        case 3:
            face = QColor(245, 244, 234);
            break;
        default:
            face = along(
                {QColor(255, 255, 255), QColor(250, 250, 247), QColor(240, 240, 234), QColor(214, 208, 197)},
                t);
            break;
        }
        // Hot and focused buttons wear a two-pixel coloured ring inside the border.
        const bool ring = x <= 2 || x >= 15 || y <= 2 || y >= 18;
        if (ring && frame == 4) {
            if (y <= 2 && x > 1 && x < 16)
                return y == 1 ? QColor(255, 240, 207) : QColor(253, 216, 137);
            if (y >= 18 && x > 1 && x < 16)
                return y == 19 ? QColor(229, 151, 0) : QColor(248, 179, 48);
            return along({QColor(254, 223, 154), QColor(248, 179, 48)}, t);
        }
        if (ring && frame == 5) {
            if (y <= 2 && x > 1 && x < 16)
                return y == 1 ? QColor(206, 231, 255) : QColor(188, 212, 246);
            if (y >= 18 && x > 1 && x < 16)
                return y == 19 ? QColor(105, 130, 238) : QColor(137, 173, 228);
            return along({QColor(188, 212, 246), QColor(137, 173, 228)}, t);
        }
        return face;
    });
}

// ---- check box and radio box ---------------------------------------------------------------------

// Frames: 1 unchecked, 2 checked, 3 unchecked disabled, 4 checked disabled, 5 unchecked hot, 6 checked hot.
bool frameChecked(int frame)
{
    return frame % 2 == 0;
}

bool frameDisabled(int frame)
{
    return frame == 3 || frame == 4;
}

bool frameHot(int frame)
{
    return frame >= 5;
}

QColor boxFace(int frame, int x, int y)
{
    if (frameDisabled(frame))
        return QColor(252, 252, 251);
    const double t = (x + y) / 20.0;
    QColor face = mix(QColor(220, 220, 212), Qt::white, t);
    if (frameHot(frame)) {
        const int ring = std::min({x - 1, y - 1, 11 - x, 11 - y});
        if (ring == 0)
            face = QColor(248, 179, 48);
        else if (ring == 1)
            face = QColor(255, 226, 160);
    }
    return face;
}

QColor markColour(int frame)
{
    return frameDisabled(frame) ? QColor(202, 200, 187) : QColor(33, 161, 33);
}

// The check mark, three pixels thick: down from (3,5) to (5,7), then up to (9,3).
bool onCheck(int x, int y)
{
    for (int dy = 0; dy < 3; ++dy) {
        const int yy = y - dy;
        if (x >= 3 && x <= 5 && yy == x + 2)
            return true;
        if (x >= 5 && x <= 9 && yy == 12 - x)
            return true;
    }
    return false;
}

QImage checkBox()
{
    return strip(13, 13, 6, true, [](int frame, int x, int y) {
        if (x == 0 || x == 12 || y == 0 || y == 12)
            return frameDisabled(frame) ? QColor(202, 200, 187) : QColor(28, 81, 128);
        if (frameChecked(frame) && onCheck(x, y))
            return markColour(frame);
        return boxFace(frame, x, y);
    });
}

QImage radioBox()
{
    return strip(13, 13, 6, true, [](int frame, int x, int y) {
        const double d = std::hypot(x - 6.0, y - 6.0);
        if (d > 6.3)
            return kMagenta;
        if (d > 5.3)
            return frameDisabled(frame) ? QColor(202, 200, 187) : QColor(28, 81, 128);
        if (frameChecked(frame) && d < 2.6)
            return markColour(frame);
        return boxFace(frame, std::clamp(x, 1, 11), std::clamp(y, 1, 11));
    });
}

// ---- hand cursor ---------------------------------------------------------------------------------

// A hand with the index finger up; the tip of the finger, (10, 1), is the hot spot.
QImage handCursor()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8, 1, 5, 17), 2.5, 2.5);      // index finger
    hand.addRoundedRect(QRectF(12.5, 9, 4.5, 10), 2.2, 2.2); // middle
    hand.addRoundedRect(QRectF(16.5, 10, 4.5, 9), 2.2, 2.2); // ring
    hand.addRoundedRect(QRectF(20.5, 11.5, 4, 8), 2, 2);     // little
    QPainterPath thumb;
    thumb.moveTo(8.5, 15);
    thumb.lineTo(5, 12.5);
    thumb.cubicTo(2.5, 11, 1, 13.5, 3, 15.5);
    thumb.lineTo(8.5, 22);
    thumb.closeSubpath();
    hand.addPath(thumb);
    hand.addRoundedRect(QRectF(7, 15, 17.5, 12), 4, 4); // palm
    hand = hand.simplified();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.setPen(QPen(QColor(0, 0, 0, 150), 1.0));
    p.drawLine(QPointF(12.8, 14), QPointF(12.8, 18.5));
    p.drawLine(QPointF(16.8, 14), QPointF(16.8, 18.5));
    p.drawLine(QPointF(20.8, 14.5), QPointF(20.8, 18.5));
    return image;
}

// ---- output --------------------------------------------------------------------------------------

// Palette images are saved with a full 256-entry table, so they stay 8-bit whatever colours they
// use; colours are numbered in the order they first appear, so the files come out the same each time.
QImage paletted(const QImage& image)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    QImage indexed(source.size(), QImage::Format_Indexed8);
    // The BMP writer copies whole rows, padding included: zeroed, the files come out the same on
    // every run.
    std::memset(indexed.bits(), 0, std::size_t(indexed.sizeInBytes()));
    QList<QRgb> table;
    QHash<QRgb, int> numbers;
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            auto found = numbers.constFind(in[x]);
            if (found == numbers.constEnd()) {
                if (table.size() == 256) {
                    std::fprintf(stderr, "too many colours for a palette image\n");
                    return {};
                }
                found = numbers.insert(in[x], int(table.size()));
                table << in[x];
            }
            out[x] = uchar(*found);
        }
    }
    table.resize(256, qRgb(0, 0, 0));
    indexed.setColorTable(table);
    return indexed;
}

bool save(const QImage& image, const QDir& dir, const char* name, const char* format)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    return SavePicture(image, path, format);
}

bool drawAll(const QDir& dir)
{
    bool ok = save(paletted(caption()), dir, "XPFORM_CAPTION.bmp", "BMP");
    ok = save(paletted(leftBorder()), dir, "XPFORM_LEFT.bmp", "BMP") && ok;
    ok = save(paletted(rightBorder()), dir, "XPFORM_RIGHT.bmp", "BMP") && ok;
    ok = save(paletted(bottomBorder()), dir, "XPFORM_BOTTOM.bmp", "BMP") && ok;
    ok = save(captionButton(Glyph::Close), dir, "XPFORM_CLOSE.bmp", "BMP") && ok;
    ok = save(captionButton(Glyph::Max), dir, "XPFORM_MAX.bmp", "BMP") && ok;
    ok = save(captionButton(Glyph::Restore), dir, "XPFORM_RESTORE.bmp", "BMP") && ok;
    ok = save(captionButton(Glyph::Min), dir, "XPFORM_MIN.bmp", "BMP") && ok;
    ok = save(captionButton(Glyph::Help), dir, "XPFORM_HELP.bmp", "BMP") && ok;
    ok = save(pushButton().convertToFormat(QImage::Format_RGB888), dir, "XPBUTTON.bmp", "BMP") && ok;
    ok = save(paletted(checkBox()), dir, "XPCHECKBOX.bmp", "BMP") && ok;
    ok = save(paletted(radioBox()), dir, "XPRADIOBOX.bmp", "BMP") && ok;
    ok = save(handCursor(), dir, "XPHANDCUR.png", "PNG") && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    return RunPictureTool(argc, argv, "skins folder", drawAll);
}
