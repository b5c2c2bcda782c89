// Draws the program's own pictures: the icon, the 16x16 menu strip, the 32x32 tool bar strip and the
// about picture. Run once after changing a motif; the results are committed beside the .qrc.
// Usage: corvane-make-pictures <resources/pictures folder>

#include "PictureTool.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Every motif is drawn on a 32x32 grid and scaled, so the menu and tool bar versions match.
using Motif = std::function<void(QPainter&)>;

const QColor kOutline(70, 80, 100);
const QColor kPaper(255, 255, 255);
const QColor kTextLine(90, 130, 200);

void page(QPainter& p, const QRectF& r)
{
    const qreal fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, kPaper);
    g.setColorAt(1, QColor(225, 232, 245));
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(g);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(200, 210, 230));
    p.drawPath(corner);
    p.setPen(QPen(kTextLine, 1.6, Qt::SolidLine, Qt::FlatCap));
    for (qreal y = r.top() + fold + 3; y < r.bottom() - 2; y += 3.5)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

void folder(QPainter& p, const QRectF& r)
{
    QPainterPath back;
    back.moveTo(r.left(), r.top() + 3);
    back.lineTo(r.left() + r.width() * 0.35, r.top() + 3);
    back.lineTo(r.left() + r.width() * 0.45, r.top() + 6);
    back.lineTo(r.right(), r.top() + 6);
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(QPen(QColor(150, 100, 20), 1.2));
    p.setBrush(QColor(230, 170, 50));
    p.drawPath(back);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(255, 225, 120));
    g.setColorAt(1, QColor(240, 180, 60));
    p.setBrush(g);
    p.drawRect(QRectF(r.left(), r.top() + 10, r.width(), r.height() - 10));
}

void badge(QPainter& p, const QColor& fill, bool cross)
{
    const QRectF c(17, 17, 14, 14);
    p.setPen(QPen(fill.darker(160), 1.2));
    p.setBrush(fill);
    p.drawEllipse(c);
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF m = c.center();
    if (cross) {
        p.drawLine(m + QPointF(-3.5, -3.5), m + QPointF(3.5, 3.5));
        p.drawLine(m + QPointF(-3.5, 3.5), m + QPointF(3.5, -3.5));
    } else {
        p.drawLine(m + QPointF(-4.5, 0), m + QPointF(4.5, 0));
        p.drawLine(m + QPointF(0, -4.5), m + QPointF(0, 4.5));
    }
}

void arrowHead(QPainter& p, QPointF tip, qreal dir)
{
    QPainterPath a;
    a.moveTo(tip);
    a.lineTo(tip + QPointF(-6 * dir, -5));
    a.lineTo(tip + QPointF(-6 * dir, 5));
    a.closeSubpath();
    p.drawPath(a);
}

void addFile(QPainter& p)
{
    page(p, QRectF(4, 2, 20, 26));
    badge(p, QColor(40, 170, 60), false);
}

void addFolder(QPainter& p)
{
    folder(p, QRectF(2, 4, 26, 22));
    badge(p, QColor(40, 170, 60), false);
}

void removeAll(QPainter& p)
{
    page(p, QRectF(9, 1, 18, 23));
    page(p, QRectF(4, 5, 18, 23));
    badge(p, QColor(215, 40, 40), true);
}

void compress(QPainter& p)
{
    page(p, QRectF(10, 3, 12, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 150, 60));
    p.drawRect(QRectF(0.5, 14, 4, 4));
    arrowHead(p, QPointF(9.5, 16), 1);
    p.drawRect(QRectF(27.5, 14, 4, 4));
    arrowHead(p, QPointF(22.5, 16), -1);
}

void preferences(QPainter& p)
{
    const QPointF m(16, 16);
    QPainterPath gear;
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(m.x(), m.y());
        t.rotate(i * 45);
        gear.addPolygon(t.map(QPolygonF(QRectF(-3, -14.5, 6, 8))));
    }
    gear.addEllipse(m, 10.5, 10.5);
    gear = gear.simplified();
    QPainterPath hole;
    hole.addEllipse(m, 4.5, 4.5);
    QRadialGradient g(m, 15);
    g.setColorAt(0, QColor(170, 185, 210));
    g.setColorAt(1, QColor(90, 105, 140));
    p.setPen(QPen(QColor(50, 60, 85), 1.2));
    p.setBrush(g);
    p.drawPath(gear.subtracted(hole));
}

void homePage(QPainter& p)
{
    p.setPen(QPen(QColor(120, 90, 60), 1.2));
    p.setBrush(QColor(245, 230, 200));
    p.drawRect(QRectF(7, 15, 18, 14));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(14, 20, 5, 9));
    p.setBrush(QColor(140, 200, 245));
    p.drawRect(QRectF(9, 18, 4, 4));
    p.drawRect(QRectF(20, 18, 3.5, 4));
    QPainterPath roof;
    roof.moveTo(2, 16);
    roof.lineTo(16, 3);
    roof.lineTo(30, 16);
    roof.lineTo(26, 16);
    roof.lineTo(16, 7.5);
    roof.lineTo(6, 16);
    roof.closeSubpath();
    p.setPen(QPen(QColor(140, 20, 20), 1.2));
    p.setBrush(QColor(210, 45, 35));
    p.drawPath(roof);
}

void help(QPainter& p)
{
    QRadialGradient g(QPointF(12, 10), 18);
    g.setColorAt(0, QColor(110, 170, 255));
    g.setColorAt(1, QColor(20, 80, 190));
    p.setPen(QPen(QColor(15, 50, 130), 1.2));
    p.setBrush(g);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    // The question mark is a path, not text, so the picture does not depend on installed fonts.
    QPainterPath q;
    q.moveTo(11, 12.5);
    q.cubicTo(11, 6.5, 21, 6.5, 21, 12);
    q.cubicTo(21, 16, 16, 16, 16, 20.5);
    p.setPen(QPen(Qt::white, 3.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(q);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 25), 2.2, 2.2);
}

void mail(QPainter& p)
{
    const QRectF r(2, 7, 28, 19);
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(255, 250, 225));
    p.drawRect(r);
    p.setBrush(QColor(240, 230, 190));
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + 11);
    flap.lineTo(r.topRight());
    p.drawPath(flap);
    p.setPen(QPen(QColor(200, 40, 40), 1.5));
    p.drawLine(QPointF(r.left() + 2, r.bottom() - 2), QPointF(r.left() + 9, r.bottom() - 7));
}

QImage strip(const std::vector<Motif>& motifs, int size)
{
    QImage image(size * int(motifs.size()), size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < motifs.size(); ++i) {
        p.save();
        p.translate(qreal(i) * size, 0);
        p.scale(size / 32.0, size / 32.0);
        motifs[i](p);
        p.restore();
    }
    return image;
}

void icon(QPainter& p)
{
    QLinearGradient g(0, 0, 32, 32);
    g.setColorAt(0, QColor(40, 110, 210));
    g.setColorAt(1, QColor(10, 50, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    page(p, QRectF(10, 5, 12, 22));
    p.setBrush(QColor(120, 230, 120));
    arrowHead(p, QPointF(9, 16), 1);
    arrowHead(p, QPointF(23, 16), -1);
}

// The about picture: a tall night-blue panel with drifting tag brackets and a stack of pages that
// narrows towards the bottom, the program's work told without words.
QImage aboutPicture()
{
    QImage image(176, 301, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 301);
    sky.setColorAt(0, QColor(12, 36, 96));
    sky.setColorAt(0.6, QColor(24, 92, 160));
    sky.setColorAt(1, QColor(110, 190, 210));
    p.fillRect(image.rect(), sky);
    for (int i = 0; i < 9; ++i) {
        const QPointF c(20 + (i * 53) % 150, 20 + (i * 97) % 280);
        QRadialGradient glow(c, 18 + i * 3);
        glow.setColorAt(0, QColor(255, 255, 255, 60));
        glow.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, 18.0 + i * 3, 18.0 + i * 3);
    }
    p.setPen(QPen(QColor(255, 255, 255, 150), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(62, 40), QPointF(38, 64), QPointF(62, 88)}));
    p.drawPolyline(QPolygonF({QPointF(114, 40), QPointF(138, 64), QPointF(114, 88)}));
    p.drawLine(QPointF(96, 36), QPointF(80, 92));
    for (int i = 0; i < 5; ++i) {
        const qreal w = 110 - i * 16;
        const QRectF r((176 - w) / 2, 118 + i * 30, w, 24);
        p.setPen(QPen(QColor(20, 40, 90), 1));
        p.setBrush(QColor(255, 255, 255, 230 - i * 20));
        p.drawRoundedRect(r, 3, 3);
        p.setPen(QPen(QColor(90, 130, 200), 2, Qt::SolidLine, Qt::FlatCap));
        for (qreal y = r.top() + 7; y < r.bottom() - 4; y += 5)
            p.drawLine(QPointF(r.left() + 6, y), QPointF(r.right() - 6, y));
    }
    p.setPen(QPen(QColor(120, 240, 140), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 150), QPointF(18, 250));
    p.drawLine(QPointF(158, 150), QPointF(158, 250));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 240, 140));
    QPainterPath tips;
    tips.addPolygon(QPolygonF({QPointF(10, 250), QPointF(26, 250), QPointF(18, 262)}));
    tips.addPolygon(QPolygonF({QPointF(150, 250), QPointF(166, 250), QPointF(158, 262)}));
    p.drawPath(tips);
    return image;
}

bool drawAll(const QDir& dir)
{
    // Order = image numbers used by the menu items and the tool buttons.
    const std::vector<Motif> menu{mail, homePage, help, compress, preferences, addFile, removeAll, addFolder};
    const std::vector<Motif> tools{addFile, addFolder, removeAll, compress, preferences, homePage, help};
    bool ok = SavePicture(strip(menu, 16), dir.filePath("menu16.png"), "PNG");
    ok = SavePicture(strip(tools, 32), dir.filePath("toolbar32.png"), "PNG") && ok;
    for (int size : {16, 32, 48, 256})
        ok = SavePicture(strip({icon}, size), dir.filePath(QStringLiteral("corvane%1.png").arg(size)),
                         "PNG") &&
             ok;
    ok = SavePicture(aboutPicture(), dir.filePath("about.jpg"), "JPEG", 90) && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    return RunPictureTool(argc, argv, "pictures folder", drawAll);
}
