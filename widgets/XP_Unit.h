#pragma once

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QRect>
#include <QString>
#include <type_traits>

class QPainter;
class QWidget;

// The skin images and the drawing routines that the skinned widgets share.
//
// Skin images are strips of equal state frames (numbered from 1), found by name without regard
// to case: LoadSkin("xpform_Restore") and LoadSkin("XPFORM_RESTORE") are the same image.

// True when Left <= X <= Left + width and Top <= Y <= Top + height: unlike QRect::contains, the
// edge one past the last pixel counts as inside, and an empty rectangle at (0,0) contains (0,0).
[[nodiscard]] bool PointInside(const QRect& rect, int X, int Y);

// Paints every pixel of bitmap that differs from its bottom-left pixel (the key colour) in one
// colour at (X + column, Y + row); pixels equal to the key leave the canvas untouched.
void DrawSilhouette(const QImage& bitmap, QPainter& canvas, int X, int Y, const QColor& color);
// What DrawSilhouette draws, as an image: the colour where bitmap differs from the key, clear elsewhere.
[[nodiscard]] QImage Silhouette(const QImage& bitmap, const QColor& color);

// The image with every pixel of the key colour (alpha aside) made fully transparent.
[[nodiscard]] QImage KeyedOut(const QImage& image, const QColor& key);

// Frame index (1 to count) of a strip, a copy the size of one frame. Pixels left over by the
// integer division belong to no frame.
[[nodiscard]] QImage ExtractFrame(const QImage& strip, int count, int index, bool horizontal);

// Draws bitmap opaque over rect, keeping its left and right halves and its top and bottom halves
// and repeating its middle column and row: the image's left Sw/2 columns, then column Sw/2 repeated,
// then its last Sw/2 columns; rows likewise, the bottom part being Sh/2 + 1 rows. An image of odd
// size drawn at its own size comes out unchanged. Targets smaller than the image are not meant.
void StretchSkin(const QImage& bitmap, QPainter& canvas, const QRect& rect);
// What StretchSkin draws, as an image of that size (null when the size is empty).
[[nodiscard]] QImage StretchedSkin(const QImage& bitmap, QSize size);

// The skin image of that name, or a null image (with a warning) when there is none. Decoded
// images are kept once loaded unless caching is switched off.
[[nodiscard]] QImage LoadSkin(const QString& name);
void SetSkinCaching(bool on);
// Whether skin images, and what the widgets make of them, may be kept between paints.
[[nodiscard]] bool SkinCaching();

// The text colour of disabled controls.
inline const QColor kGreyText(128, 128, 128);

// Stores value in field and tells whether that changed it: setters repaint only on a change.
template <typename T> bool Changed(T& field, const std::type_identity_t<T>& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// Lays backdrop over its whole owner (its parent), behind the owner's other children, at whatever
// size the owner takes, and takes the frame off an owner that is a window.
void CoverOwner(QWidget* backdrop);

// The skin's hand cursor, hot spot on the finger tip.
[[nodiscard]] QCursor XPHandCursor();
