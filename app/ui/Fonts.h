#pragma once

#include <QFont>

// The fonts the forms name, each with fallbacks for machines that lack it. Chinese text always
// ends on an installed CJK family, so no caption shows empty boxes.
class TFonts
{
public:
    // "宋体" (SimSun), the forms' own font.
    [[nodiscard]] static QFont SongTi(int pixelSize, bool bold = false);
    // "MS Sans Serif", the about box's text.
    [[nodiscard]] static QFont SansSerif(int pixelSize, bool bold = false);
    // "Courier New", the about box's product title.
    [[nodiscard]] static QFont CourierNew(int pixelSize, bool bold = false);

private:
    static QFont Make(const QStringList& families, int pixelSize, bool bold);
};
