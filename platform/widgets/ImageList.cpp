#include "platform/widgets/ImageList.h"

#include <QBitmap>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>

namespace quenzal {

ImageList::ImageList(QSize size, QColor maskColour) : m_size(size), m_maskColour(maskColour) {}

QPixmap ImageList::masked(const QString &fileName, qreal scale) const
{
    QImage picture(fileName);
    const QSize size = m_size * scale;
    if (picture.size() != size)
        picture = picture.scaled(size);
    QPixmap pixmap = QPixmap::fromImage(picture.convertToFormat(QImage::Format_RGB32));
    pixmap.setMask(pixmap.createMaskFromColor(m_maskColour, Qt::MaskInColor));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

int ImageList::add(const QString &key, const QString &fileName)
{
    QIcon icon(masked(fileName, 1));
    // The same picture drawn at twice the size, when there is one ("x@2x.png"
    // beside "x.png"), for screens at 150 % and 200 %.
    QString doubled = fileName;
    doubled.insert(doubled.lastIndexOf(u'.'), QLatin1String("@2x"));
    if (QFileInfo::exists(doubled)) {
        const QPixmap large = masked(doubled, 2);
        icon.addPixmap(large);
        // Between the two, the large drawing made smaller: never a small one
        // blown up.
        for (const qreal scale : {1.25, 1.5, 1.75}) {
            QPixmap between = QPixmap::fromImage(large.toImage().scaled(
                m_size * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            between.setDevicePixelRatio(scale);
            icon.addPixmap(between);
        }
    }
    m_entries.append({key, icon});
    return count();
}

} // namespace quenzal
