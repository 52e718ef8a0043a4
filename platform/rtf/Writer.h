#pragma once

#include "engine/CodePage.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QStringList>

class QTextBlock;
class QTextBlockFormat;
class QTextCharFormat;
class QTextDocument;
class QTextFrame;
class QTextImageFormat;
class QTextTable;

namespace quenzal::rtf {

// Writes a QTextDocument as RTF: Windows-1252 text with \'hh for its upper
// half and \uN with a "?" fallback for everything else; paragraphs with
// their alignment, indents and spacing; each run of text as a group with its
// character formatting; tables (nested ones the way Word writes them); links
// as HYPERLINK fields; pictures as PNG.
class Writer
{
public:
    Writer(const QTextDocument &document, int codePage);

    QByteArray write();

private:
    enum class BlockEnd { Paragraph, Cell, NestedCell };

    void writeFrame(const QTextFrame *frame, int depth);
    void writeTable(const QTextTable *table, int depth);
    void writeRowDefinition(const QTextTable *table);
    void writeBlock(const QTextBlock &block, int depth, BlockEnd end);
    void writeBlockFormat(const QTextBlockFormat &format);
    void writeRuns(const QTextBlock &block);
    void writeLinkStart(const QString &link);
    void writeFieldArgument(QString argument);
    void writeCharFormat(const QTextCharFormat &format);
    void writePicture(const QTextImageFormat &format);
    void writeText(QStringView text, QByteArray &out) const;
    int fontIndex(const QString &family);
    int colorIndex(const QColor &color);

    const QTextDocument &m_document;
    const CodePage::Page &m_codePage;
    QByteArray m_body;
    QStringList m_fonts;    // \f0 is the document's default font
    QList<QColor> m_colors; // \cf1 is m_colors[0]; 0 is "auto"
    QString m_defaultFamily;
    double m_defaultPointSize = 12;
};

} // namespace quenzal::rtf
