#include "ImageList.h"

#include <QBitmap>
#include <QImage>
#include <QPixmap>

namespace quenzal {

ImageList::ImageList(QSize size, QColor maskColour) : m_size(size), m_maskColour(maskColour) {}

int ImageList::add(const QString &key, const QString &fileName)
{
    QImage picture(fileName);
    if (picture.size() != m_size)
        picture = picture.scaled(m_size);
    QPixmap pixmap = QPixmap::fromImage(picture.convertToFormat(QImage::Format_RGB32));
    pixmap.setMask(pixmap.createMaskFromColor(m_maskColour, Qt::MaskInColor));
    m_entries.append({key, QIcon(pixmap)});
    return count();
}

} // namespace quenzal
