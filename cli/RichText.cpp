// The rich-text module: Rich Text Format through Qt Gui's text documents, as
// the window reads and writes it.
#include "Modules.h"
#include "base/Layout.h"
#include "engine/CodePage.h"
#include "platform/rtf/ExactText.h"
#include "platform/rtf/Rtf.h"

#include <QFont>
#include <QTextCursor>
#include <QTextDocument>

#include <cstring>

namespace quenzal::cli {
namespace {

Result<QString> exactTextOf(const QByteArray &bytes)
{
    // The text alone: pictures have none, so they are not decoded.
    rtf::ReadOptions options;
    options.decodePictures = false;
    const rtf::ReadResult document = rtf::read(bytes, options);
    if (!document.ok())
        return Result<QString>::failure(document.error());
    return rtf::exactText(*document.value());
}

// A text as the window's Save writes the lower area to an .rtf file.
QByteArray richTextOf(const QString &text)
{
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    // The lower area's font, which the document names as its own.
    QFont font{QString(kTextAreaFontFamily)};
    font.setPointSizeF(kTextAreaFontPoints);
    document.setDefaultFont(font);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    const QTextCharFormat plain;
    rtf::insertExactText(cursor, text, plain);
    cursor.endEditBlock();
    return rtf::write(document);
}

constexpr RichTextModule kModule{exactTextOf, richTextOf};

} // namespace
} // namespace quenzal::cli

extern "C" Q_DECL_EXPORT const quenzal::cli::RichTextModule *
quenzalRichTextModule(const char *version, int codePage)
{
    if (std::strcmp(version, QUENZAL_VERSION) != 0)
        return nullptr;
    quenzal::CodePage::setCurrent(codePage);
    return &quenzal::cli::kModule;
}
