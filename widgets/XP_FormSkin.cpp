#include "XP_FormSkin.h"

#include "XP_Unit.h"

#include <QPainter>
#include <iterator>

namespace {

const QColor kMagenta(255, 0, 255);

QImage Frame(const char* name, int count, int index, bool horizontal)
{
    return ExtractFrame(LoadSkin(QString::fromLatin1(name)), count, index, horizontal);
}

} // namespace

const TFormMetrics& TXP_FormSkin::Metrics()
{
    static const TFormMetrics metrics{LoadSkin(QStringLiteral("xpform_left")).width() / 2,
                                      LoadSkin(QStringLiteral("xpform_right")).width() / 2,
                                      LoadSkin(QStringLiteral("xpform_caption")).height() / 2,
                                      LoadSkin(QStringLiteral("xpform_bottom")).height() / 2};
    return metrics;
}

// Keyed once per button and frame, so a hover over a caption button does not key it again.
QImage TXP_FormSkin::Button(TButtonImage image, int frame)
{
    static const char* const names[] = {"xpform_close", "xpform_max", "xpform_Restore", "xpform_min",
                                        "xpform_help"};
    static QImage keyed[std::size(names)][3];
    QImage& kept = keyed[image][frame - 1];
    if (!kept.isNull() && SkinCaching())
        return kept;
    QImage made = KeyedOut(Frame(names[image], 3, frame, true), kMagenta);
    if (SkinCaching())
        kept = made;
    return made;
}

const TXP_FormSkin::TBorders& TXP_FormSkin::Borders(QSize size, bool active)
{
    const int frame = active ? 1 : 2;
    if (m_size == size && m_frame == frame && SkinCaching())
        return m_borders;
    const TFormMetrics& metrics = Metrics();
    const int middle = size.width() - metrics.left - metrics.right;
    m_size = size;
    m_frame = frame;
    m_borders.right = StretchedSkin(Frame("xpform_right", 2, frame, true), {metrics.right, size.height()});
    m_borders.left = StretchedSkin(Frame("xpform_left", 2, frame, true), {metrics.left, size.height()});
    m_borders.caption = StretchedSkin(Frame("xpform_caption", 2, frame, false), {middle, metrics.caption});
    // The bottom is stretched plainly, as the canvas would scale it.
    m_borders.bottom = QImage();
    if (middle > 0 && metrics.bottom > 0) {
        m_borders.bottom = QImage(middle, metrics.bottom, QImage::Format_RGB32);
        QPainter painter(&m_borders.bottom);
        painter.drawImage(m_borders.bottom.rect(), Frame("xpform_bottom", 2, frame, false));
    }
    return m_borders;
}
