#include "platform/rtf/Lexer.h"

#include <algorithm>
#include <climits>

namespace quenzal::rtf {
namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A byte that ends a run of text.
bool isSpecial(char c)
{
    return c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n';
}

} // namespace

Token Lexer::next()
{
    Token token;
    while (m_pos < m_end && (*m_pos == '\r' || *m_pos == '\n'))
        ++m_pos;
    if (m_pos >= m_end)
        return token;
    switch (*m_pos) {
    case '{':
        ++m_pos;
        token.kind = Token::Kind::GroupOpen;
        return token;
    case '}':
        ++m_pos;
        token.kind = Token::Kind::GroupClose;
        return token;
    case '\\':
        ++m_pos;
        break;
    default: {
        const char *begin = m_pos;
        const char *end = begin + 1;
        while (end < m_end && !isSpecial(*end))
            ++end;
        m_pos = end;
        token.kind = Token::Kind::Text;
        token.text = std::string_view(begin, end - begin);
        return token;
    }
    }

    if (m_pos >= m_end)
        return token; // a backslash at the very end
    if (isLetter(*m_pos))
        return word();
    token.symbol = *m_pos++;
    if (token.symbol != '\'') {
        token.kind = Token::Kind::Symbol;
        return token;
    }
    token.kind = Token::Kind::Byte;
    int digits = 0;
    while (digits < 2 && m_pos < m_end && hexValue(*m_pos) >= 0) {
        token.parameter = token.parameter * 16 + hexValue(*m_pos++);
        ++digits;
    }
    token.hasParameter = digits > 0;
    return token;
}

// A control word from its first letter on: letters, an optional signed
// number, and the space that may end it; \binN with its bytes.
Token Lexer::word()
{
    Token token;
    token.kind = Token::Kind::Word;
    const char *wordStart = m_pos;
    while (m_pos < m_end && isLetter(*m_pos))
        ++m_pos;
    token.text = std::string_view(wordStart, std::min<size_t>(m_pos - wordStart, 32));
    bool negative = false;
    if (m_pos + 1 < m_end && *m_pos == '-' && isDigit(m_pos[1])) {
        negative = true;
        ++m_pos;
    }
    // Numbers beyond 32 bits are read to their end and clamped.
    qint64 value = 0;
    while (m_pos < m_end && isDigit(*m_pos)) {
        value = std::min<qint64>(value * 10 + (*m_pos++ - '0'), 1LL << 32);
        token.hasParameter = true;
    }
    if (m_pos < m_end && *m_pos == ' ')
        ++m_pos;
    token.parameter = int(std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX));
    if (token.text == "bin") {
        const qint64 length = std::clamp<qint64>(token.parameter, 0, m_end - m_pos);
        token.kind = Token::Kind::Binary;
        token.text = std::string_view(m_pos, length);
        m_pos += length;
    }
    return token;
}

bool Lexer::skipBlanksBeforeWord()
{
    const char *p = m_pos;
    while (p < m_end && (*p == '\r' || *p == '\n' || *p == ' '))
        ++p;
    if (p + 1 < m_end && p[0] == '\\' && isLetter(p[1])) {
        m_pos = p;
        return true;
    }
    return false;
}

bool Lexer::skipGroup()
{
    int depth = 1;
    while (true) {
        switch (next().kind) {
        case Token::Kind::End:
            return false;
        case Token::Kind::GroupOpen:
            ++depth;
            break;
        case Token::Kind::GroupClose:
            if (--depth == 0)
                return true;
            break;
        default:
            break;
        }
    }
}

} // namespace quenzal::rtf
