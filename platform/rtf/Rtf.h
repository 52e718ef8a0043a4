#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTextDocument>

#include <memory>

// Rich Text Format to QTextDocument and back.
namespace quenzal::rtf {

// What read() made of some bytes: a document, or why there is none.
struct ReadResult
{
    std::unique_ptr<QTextDocument> document;
    // Why the bytes are not rich text; empty when document is set.
    QString error;

    bool ok() const { return document != nullptr; }
};

// Reads RTF bytes into a new document. Bytes that do not begin with the
// "{\rtf" header are not rich text; damaged rich text (unbalanced braces,
// truncation, unknown words) gives what could be read. Never throws.
ReadResult read(QByteArrayView rtf);

// Writes a document as RTF that Word, WordPad and LibreOffice open:
// Windows-1252 text, \uN for everything else, with the character and
// paragraph formatting, tables, links and pictures that read() understands.
QByteArray write(const QTextDocument &document);

} // namespace quenzal::rtf
