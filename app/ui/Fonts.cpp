#include "Fonts.h"

#include <QStringList>

namespace {

// Installed CJK families to fall back on, crisp bitmap-hinted ones first.
const QStringList kCjkFallbacks{"WenQuanYi Zen Hei Sharp", "WenQuanYi Zen Hei", "Noto Sans CJK SC",
                                "Source Han Sans SC", "Droid Sans Fallback"};

} // namespace

QFont TFonts::Make(const QStringList& families, int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies(families + kCjkFallbacks);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QFont TFonts::SongTi(int pixelSize, bool bold)
{
    return Make({"SimSun", QStringLiteral("宋体"), "NSimSun"}, pixelSize, bold);
}

QFont TFonts::SansSerif(int pixelSize, bool bold)
{
    return Make({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"},
                pixelSize, bold);
}

QFont TFonts::CourierNew(int pixelSize, bool bold)
{
    return Make({"Courier New", "Liberation Mono", "Nimbus Mono PS", "DejaVu Sans Mono"}, pixelSize, bold);
}
