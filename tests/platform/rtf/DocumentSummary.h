#pragma once

#include "platform/rtf/ExactText.h"

#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

// What the RTF tests compare: the plain text a document shows in the text
// area, and a line-by-line summary of its structure and formatting.
namespace quenzal::test {

// The document's text as the program's text area gives it: paragraphs and
// table cells joined by CR LF, a line break (U+2028) as CR LF, no pictures.
inline QString areaText(QTextDocument *document)
{
    return rtf::exactText(*document);
}

namespace detail {

inline QString charSummary(const QTextDocument &document, const QTextCharFormat &format)
{
    QStringList parts;
    if (format.isImageFormat()) {
        const QTextImageFormat image = format.toImageFormat();
        const auto pixels =
            document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
        return QStringLiteral("picture %1x%2 shown %3x%4")
            .arg(pixels.width())
            .arg(pixels.height())
            .arg(qRound(image.width()))
            .arg(qRound(image.height()));
    }
    const QStringList families = format.fontFamilies().toStringList();
    parts << (families.isEmpty() ? document.defaultFont().family() : families.first());
    parts << QString::number(format.fontPointSize() > 0 ? format.fontPointSize()
                                                        : document.defaultFont().pointSizeF());
    if (format.fontWeight() >= QFont::DemiBold)
        parts << QStringLiteral("bold");
    if (format.fontItalic())
        parts << QStringLiteral("italic");
    if (format.fontUnderline())
        parts << QStringLiteral("underline");
    if (format.fontStrikeOut())
        parts << QStringLiteral("strike");
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        parts << QStringLiteral("super");
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        parts << QStringLiteral("sub");
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        parts << QStringLiteral("color ") + format.foreground().color().name();
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        parts << QStringLiteral("background ") + format.background().color().name();
    if (format.isAnchor())
        parts << QStringLiteral("link ") + format.anchorHref();
    return parts.join(u' ');
}

inline void summarise(const QTextDocument &document, QTextFrame::iterator it, QStringList &out,
                      const QString &indent)
{
    for (; !it.atEnd(); ++it) {
        if (auto *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            out << indent + QStringLiteral("table %1x%2").arg(table->rows()).arg(table->columns());
            for (int row = 0; row < table->rows(); ++row) {
                for (int column = 0; column < table->columns(); ++column) {
                    out << indent + QStringLiteral(" cell %1,%2").arg(row).arg(column);
                    summarise(document, table->cellAt(row, column).begin(), out,
                              indent + QStringLiteral("  "));
                }
            }
            continue;
        }
        if (it.currentFrame()) {
            summarise(document, it.currentFrame()->begin(), out, indent);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        const QTextBlockFormat format = block.blockFormat();
        out << indent + QStringLiteral("paragraph align %1 margins %2 %3 %4 %5 %6")
                            .arg(int(format.alignment() & Qt::AlignHorizontal_Mask))
                            .arg(qRound(format.leftMargin()))
                            .arg(qRound(format.rightMargin()))
                            .arg(qRound(format.textIndent()))
                            .arg(qRound(format.topMargin()))
                            .arg(qRound(format.bottomMargin()));
        // Runs of the same formatting, however the document cut them up.
        QString lastFormat;
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QString summary = charSummary(document, fragment.fragment().charFormat());
            if (summary != lastFormat || summary.startsWith(u"picture"))
                out << indent + QStringLiteral("  [") + summary + QStringLiteral("] ");
            out.last() += fragment.fragment().text();
            lastFormat = summary;
        }
    }
}

} // namespace detail

inline QStringList summary(const QTextDocument &document)
{
    QStringList out;
    detail::summarise(document, document.rootFrame()->begin(), out, QString());
    return out;
}

// Compares two summaries line by line, so a failure names the first line
// that differs instead of two walls of text.
inline bool sameSummary(const QStringList &actual, const QStringList &expected, const char *file,
                        int line)
{
    for (qsizetype i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const QString a = actual.value(i, QStringLiteral("(nothing)"));
        const QString e = expected.value(i, QStringLiteral("(nothing)"));
        if (a != e) {
            return QTest::qCompare(a, e, qPrintable(QStringLiteral("line %1").arg(i + 1)),
                                   "expected", file, line);
        }
    }
    return true;
}

} // namespace quenzal::test

#define QUENZAL_COMPARE_SUMMARY(actual, expected)                                                  \
    do {                                                                                           \
        if (!quenzal::test::sameSummary(actual, expected, __FILE__, __LINE__))                     \
            return;                                                                                \
    } while (false)
