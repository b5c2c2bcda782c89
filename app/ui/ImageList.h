#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// A strip of equal square images, addressed by image number like a classic image list.
class TImageList
{
public:
    TImageList(const QString& resource, int size);

    [[nodiscard]] int Count() const;
    // Image number index; a null icon outside the strip (an item without an image).
    [[nodiscard]] QIcon Icon(int index) const;

private:
    QPixmap m_strip;
    int m_size;
};
