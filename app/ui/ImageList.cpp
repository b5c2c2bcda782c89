#include "ImageList.h"

TImageList::TImageList(const QString& resource, int size) : m_strip(resource), m_size(size) {}

int TImageList::Count() const
{
    return m_strip.isNull() ? 0 : m_strip.width() / m_size;
}

QIcon TImageList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return QIcon(m_strip.copy(index * m_size, 0, m_size, m_size));
}
