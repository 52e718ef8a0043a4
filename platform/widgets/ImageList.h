#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

namespace quenzal {

// A list of keyed pictures of one size. Pixels of the mask colour are drawn
// transparent.
class ImageList
{
public:
    ImageList(QSize size, QColor maskColour);

    // Adds the picture from a file (a resource path), with its double-size
    // drawing "name@2x.png" when there is one; returns its 1-based index.
    int add(const QString &key, const QString &fileName);

    int count() const { return int(m_entries.size()); }
    QString key(int index) const { return m_entries.at(index - 1).key; }
    QIcon icon(int index) const { return m_entries.at(index - 1).icon; }
    QSize size() const { return m_size; }

private:
    QPixmap masked(const QString &fileName, qreal scale) const;

    struct Entry
    {
        QString key;
        QIcon icon;
    };
    QSize m_size;
    QColor m_maskColour;
    QList<Entry> m_entries;
};

} // namespace quenzal
