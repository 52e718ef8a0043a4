#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <array>
#include <memory>
#include <unordered_map>

namespace quenzal::rtf {

// Turns the bytes of one Windows code page into text.
//
// Single-byte code pages decode through a 256-entry table (the program's own
// code pages through the program's tables, one to one); the double-byte
// ones (932, 936, 949, 950) and UTF-8 through Qt's ICU-backed decoder.
class CodePageDecoder
{
public:
    // Code page numbers that RTF has no number for: the symbol fonts.
    static constexpr int kSymbol = 42;     // Windows' CP_SYMBOL
    static constexpr int kWingdings = -42; // our own: Symbol charset, Wingdings font
    static constexpr int kWindows1252 = 1252;

    explicit CodePageDecoder(int number);

    // The code page as asked for; it decodes as Windows-1252 when Qt knows no
    // decoder for it.
    int number() const { return m_number; }

    // Appends the text of `bytes` to `out`. A double-byte character cut in
    // two decodes as U+FFFD; bytes never carry over between calls.
    void appendText(QByteArrayView bytes, QString &out);

    // The code page of a font's \fcharset, or `documentCodePage` for the
    // charsets that defer to it (0 ANSI when the document has \ansicpg, 1).
    static int forCharset(int charset, int documentCodePage, bool wingdings = false);

    // The \fcharset of fonts in one of the program's code pages.
    static int charsetOf(int codePage);

private:
    bool endsInLeadByte(QByteArrayView bytes) const;

    int m_number;
    bool m_singleByte = true;
    std::array<char16_t, 256> m_table{};
    QStringDecoder m_decoder;
};

// The code pages met in one document, each made once.
class CodePageDecoders
{
public:
    CodePageDecoder &get(int number);

private:
    std::unordered_map<int, std::unique_ptr<CodePageDecoder>> m_pages;
    CodePageDecoder *m_last = nullptr;
};

} // namespace quenzal::rtf
