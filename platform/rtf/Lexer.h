#pragma once

#include <QByteArrayView>

#include <string_view>

namespace quenzal::rtf {

// One piece of RTF as the lexer reads it.
struct Token
{
    enum class Kind : quint8 {
        End,        // no bytes left
        GroupOpen,  // {
        GroupClose, // }
        Word,       // a control word: text, and parameter when hasParameter
        Symbol,     // a backslash and a character that is not a letter: symbol
        Byte,       // \'hh: parameter, or hasParameter false when no hex digit follows
        Text,       // literal bytes up to the next brace, backslash or line end: text
        Binary,     // \binN and the N bytes after it (fewer at the end): text
    };

    Kind kind = Kind::End;
    char symbol = 0;
    bool hasParameter = false;
    int parameter = 0;
    std::string_view text;
};

// Cuts RTF bytes into tokens. Line ends between tokens are not text and are
// passed over. A control word has at most 32 letters (longer ones are cut,
// and unknown anyway) and its number is clamped to 32 bits; the space that
// ends it is part of it.
class Lexer
{
public:
    explicit Lexer(QByteArrayView rtf)
        : m_begin(rtf.data()), m_pos(rtf.data()), m_end(rtf.data() + rtf.size())
    {}

    Token next();

    // How many of the bytes are cut so far, and how many there are.
    qint64 consumed() const { return m_pos - m_begin; }
    qint64 total() const { return m_end - m_begin; }

    // After \*: passes over the line ends and spaces before a control word
    // and returns true; returns false, passing over nothing, when no control
    // word follows.
    bool skipBlanksBeforeWord();

    // Passes over the rest of the current group, whatever it holds, up to
    // and with its closing brace; false when the bytes end first.
    bool skipGroup();

private:
    Token word();

    const char *m_begin;
    const char *m_pos;
    const char *m_end;
};

// The value of a hex digit, or -1 when `c` is none.
constexpr int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace quenzal::rtf
