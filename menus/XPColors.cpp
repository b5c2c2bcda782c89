#include "XPColors.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <array>

namespace {

struct TSystemColour
{
    int index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// System colour indexes and the palette roles that hold them.
constexpr std::array kSystemColours{
    TSystemColour{3, QPalette::Disabled, QPalette::WindowText}, // inactive caption: dimmed text
    TSystemColour{4, QPalette::Active, QPalette::Window},       // menu
    TSystemColour{5, QPalette::Active, QPalette::Base},         // window
    TSystemColour{7, QPalette::Active, QPalette::WindowText},   // menu text
    TSystemColour{8, QPalette::Active, QPalette::WindowText},   // window text
    TSystemColour{13, QPalette::Active, QPalette::Highlight},
    TSystemColour{14, QPalette::Active, QPalette::HighlightedText},
    TSystemColour{15, QPalette::Active, QPalette::Button}, // button face
    TSystemColour{16, QPalette::Active, QPalette::Dark},   // button shadow
    TSystemColour{17, QPalette::Disabled, QPalette::Text}, // grey text
    TSystemColour{18, QPalette::Active, QPalette::ButtonText},
    TSystemColour{20, QPalette::Active, QPalette::Light},  // button highlight
    TSystemColour{21, QPalette::Active, QPalette::Shadow}, // 3-D dark shadow
};

// The twenty colours a palette device always has.
constexpr std::array<QRgb, 20> kStaticPalette{
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
    0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

int LightenChannel(int x, int p)
{
    const int scaled = (255 - x) * p;
    int step = scaled / 100;
    const int rest = scaled % 100;
    if (rest > 50 || (rest == 50 && step % 2 == 1))
        ++step;
    return x + step;
}

} // namespace

QColor TXPColors::ColorToRGB(TColor colour)
{
    if ((colour & 0x80000000u) == 0)
        return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    const int index = int(colour & 0xFF);
    const QPalette palette = QGuiApplication::palette();
    for (const TSystemColour& system : kSystemColours) {
        if (system.index == index)
            return palette.color(system.group, system.role);
    }
    return palette.color(QPalette::Window);
}

QColor TXPColors::Nearest(const QColor& colour, int depth)
{
    if (depth >= 16)
        return colour.toRgb();
    const auto distance = [&colour](QRgb rgb) {
        const int r = qRed(rgb) - colour.red();
        const int g = qGreen(rgb) - colour.green();
        const int b = qBlue(rgb) - colour.blue();
        return r * r + g * g + b * b;
    };
    return QColor(*std::min_element(kStaticPalette.begin(), kStaticPalette.end(),
                                    [&](QRgb a, QRgb b) { return distance(a) < distance(b); }));
}

QColor TXPColors::Lighten(const QColor& colour, int p, int depth)
{
    p = std::clamp(p, 0, 100);
    return Nearest(QColor(LightenChannel(colour.red(), p), LightenChannel(colour.green(), p),
                          LightenChannel(colour.blue(), p)),
                   depth);
}

QColor TXPColors::Darken(const QColor& colour, int n, int depth)
{
    return Nearest(QColor(std::clamp(colour.red() - n, 0, 255), std::clamp(colour.green() - n + 2, 0, 255),
                          std::clamp(colour.blue() - n, 0, 255)),
                   depth);
}

QColor TXPColors::GreyLevelColor(const QColor& colour, int n, int depth)
{
    const int v = std::clamp((colour.red() + colour.green() + colour.blue()) / 3 + n, 0, 240);
    return Nearest(QColor(v, v, v), depth);
}
