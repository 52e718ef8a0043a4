#include "MessageReader.h"

#include <QVarLengthArray>

#include <array>

namespace quenzal::messages {

namespace {

// Armour lines are short; a longer one is no line of a message, and a
// message with one is damaged.
constexpr qsizetype maxLine = 64 * 1024;

constexpr QByteArrayView beginLine = "-----BEGIN PGP MESSAGE-----";
constexpr QByteArrayView endLine = "-----END PGP MESSAGE-----";

// The packets that open a message: one for a password, one for a key.
constexpr int passwordPacket = 3;
constexpr int keyPacket = 1;

constexpr std::array<std::uint32_t, 256> crcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 16;
        for (int bit = 0; bit < 8; ++bit) {
            crc <<= 1;
            if (crc & 0x1000000u)
                crc ^= 0x1864CFBu;
        }
        table[i] = crc & 0xFFFFFFu;
    }
    return table;
}();

std::uint32_t crcUpdate(std::uint32_t crc, const char *bytes, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        crc = ((crc << 8) ^ crcTable[((crc >> 16) ^ static_cast<unsigned char>(bytes[i])) & 0xFF]) &
              0xFFFFFFu;
    return crc;
}

constexpr std::array<signed char, 256> base64Table = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return table;
}();

int base64Value(char c)
{
    return base64Table[static_cast<unsigned char>(c)];
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The line without what quoting and indentation put before it and the
// blanks after it.
QByteArrayView stripped(QByteArrayView line)
{
    qsizetype start = 0;
    while (start < line.size() && (isBlank(line[start]) || line[start] == '>'))
        ++start;
    qsizetype end = line.size();
    while (end > start && isBlank(line[end - 1]))
        --end;
    return line.sliced(start, end - start);
}

// Whether a packet's first octet names one that opens a message.
bool opensMessage(unsigned char first)
{
    if (!(first & 0x80))
        return false;
    const int tag = (first & 0x40) ? (first & 0x3F) : ((first >> 2) & 0x0F);
    return tag == passwordPacket || tag == keyPacket;
}

// Whether `start` is the start of a binary message: a packet that opens one,
// with a version OpenPGP gives it. The version keeps text out whose first
// byte happens to look like such a packet ("\xc3" begins "É" in UTF-8).
bool opensBinaryMessage(QByteArrayView start)
{
    if (start.isEmpty() || !opensMessage(static_cast<unsigned char>(start[0])))
        return false;
    const auto first = static_cast<unsigned char>(start[0]);
    qsizetype body = 0;
    if (first & 0x40) {
        if (start.size() < 2)
            return false;
        const auto length = static_cast<unsigned char>(start[1]);
        body = length < 192 ? 2 : length < 224 ? 3 : length == 255 ? 6 : 2;
    } else {
        body = (first & 3) == 3 ? 1 : 1 + (1 << (first & 3));
    }
    if (start.size() <= body)
        return false;
    const auto version = static_cast<unsigned char>(start[body]);
    const int tag = (first & 0x40) ? (first & 0x3F) : ((first >> 2) & 0x0F);
    return tag == passwordPacket ? (version >= 4 && version <= 6) : (version == 3 || version == 6);
}

QString cutShort()
{
    return QStringLiteral("The message is cut short");
}

QString notOpenPgp()
{
    return QStringLiteral("It is not an OpenPGP message for a password");
}

} // namespace

void MessageReader::feed(QByteArrayView piece, QByteArray &out)
{
    if (piece.isEmpty())
        return;
    if (m_atStart) {
        m_atStart = false;
        if (opensBinaryMessage(piece))
            m_state = State::Binary;
    }
    if (m_state == State::Binary) {
        out.append(piece);
        walk(piece.data(), piece.size());
        return;
    }
    const char *bytes = piece.data();
    const qsizetype size = piece.size();
    qsizetype i = 0;
    while (i < size && m_state != State::Done && m_state != State::Failed) {
        if (m_afterCr && bytes[i] == '\n') {
            m_afterCr = false;
            ++i;
            continue;
        }
        m_afterCr = false;
        qsizetype end = i;
        while (end < size && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const qsizetype room = maxLine - m_line.size();
        if (end - i > room)
            m_lineTooLong = true;
        if (end < size && m_line.isEmpty() && !m_lineTooLong) {
            // A whole line in this piece: read where it is.
            line(QByteArrayView(bytes + i, end - i), out);
        } else {
            m_line.append(bytes + i, std::min(end - i, std::max<qsizetype>(room, 0)));
            if (end == size)
                return;
            line(m_line, out);
            m_line.resize(0); // keeps its room for the next line
        }
        m_afterCr = bytes[end] == '\r';
        m_lineTooLong = false;
        i = end + 1;
    }
}

void MessageReader::finish()
{
    if (m_state == State::Failed || m_state == State::Searching)
        return;
    if (!m_line.isEmpty() && m_state != State::Binary && m_state != State::Done) {
        QByteArray out;
        line(m_line, out);
        m_line.clear();
        // A last line without its line break ends the message only if it is
        // the armour's end; what it held otherwise is cut short anyway.
    }
    if (m_state == State::Failed || m_state == State::Searching)
        return;
    if ((m_state != State::Binary && m_state != State::Done) || !walkedWhole())
        fail(cutShort());
}

void MessageReader::line(QByteArrayView text, QByteArray &out)
{
    const QByteArrayView line = stripped(text);
    switch (m_state) {
    case State::Searching:
        if (!m_lineTooLong && line == beginLine)
            m_state = State::Headers;
        return;
    case State::Headers:
        if (m_lineTooLong)
            return fail(QStringLiteral("A line of the message is too long"));
        if (line.isEmpty()) {
            m_state = State::Body;
            return;
        }
        // "Comment: ...", "Version: ..."; a line of the message itself never
        // holds a colon, so a missing blank line after the headers is no harm.
        if (line.contains(':'))
            return;
        m_state = State::Body;
        return body(line, out);
    case State::Body:
        if (m_lineTooLong)
            return fail(QStringLiteral("A line of the message is too long"));
        return body(line, out);
    case State::AfterChecksum:
        if (line.isEmpty())
            return;
        if (line == endLine)
            return end();
        return fail(cutShort());
    case State::Binary:
    case State::Done:
    case State::Failed:
        return;
    }
}

void MessageReader::body(QByteArrayView line, QByteArray &out)
{
    if (line.isEmpty())
        return;
    if (line.startsWith("-----")) {
        if (line == endLine && m_quadSize == 0)
            return end();
        return fail(cutShort());
    }
    if (line[0] == '=' && m_quadSize == 0) {
        std::uint32_t sum = 0;
        bool valid = line.size() == 5;
        for (qsizetype i = 1; valid && i < 5; ++i) {
            const int value = base64Value(line[i]);
            valid = value >= 0;
            sum = (sum << 6) | std::uint32_t(value);
        }
        if (!valid)
            return fail(QStringLiteral("The message's checksum is not readable"));
        if (sum != m_crc)
            return fail(QStringLiteral(
                "The message's checksum does not match its content: it was changed on the way"));
        m_state = State::AfterChecksum;
        return;
    }
    // The line's bytes, decoded in one go; whole groups without padding,
    // as nearly every line holds, at once.
    QVarLengthArray<char, 4096> decoded;
    if (m_quadSize == 0 && !m_padded && line.size() % 4 == 0 && !line.endsWith('=')) {
        decoded.resize(line.size() / 4 * 3);
        char *to = decoded.data();
        qsizetype at = 0;
        for (; at < line.size(); at += 4) {
            const int a = base64Value(line[at]), b = base64Value(line[at + 1]),
                      c = base64Value(line[at + 2]), d = base64Value(line[at + 3]);
            if ((a | b | c | d) < 0)
                break;
            const std::uint32_t group = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 |
                                        std::uint32_t(c) << 6 | std::uint32_t(d);
            *to++ = char(group >> 16);
            *to++ = char(group >> 8);
            *to++ = char(group);
        }
        decoded.resize(at / 4 * 3);
        line = line.sliced(at); // what is left, if anything, goes the long way
    }
    for (const char c : line) {
        if (m_padded)
            return fail(QStringLiteral("The message's armour holds text after its end"));
        if (c == '=' ? m_quadSize < 2 : base64Value(c) < 0)
            return fail(
                QStringLiteral("The message's armour holds characters that do not belong in it"));
        m_quad[m_quadSize++] = c;
        if (m_quadSize < 4)
            continue;
        m_quadSize = 0;
        if (m_quad[2] == '=' && m_quad[3] != '=')
            return fail(
                QStringLiteral("The message's armour holds characters that do not belong in it"));
        std::uint32_t group = 0;
        int bytes = 3;
        for (const char q : m_quad) {
            group <<= 6;
            if (q == '=')
                --bytes;
            else
                group |= std::uint32_t(base64Value(q));
        }
        const char three[3] = {char(group >> 16), char(group >> 8), char(group)};
        decoded.append(three, bytes);
        m_padded = bytes < 3;
    }
    out.append(decoded.constData(), decoded.size());
    m_crc = crcUpdate(m_crc, decoded.constData(), decoded.size());
    walk(decoded.constData(), decoded.size());
}

void MessageReader::walk(const char *bytes, qsizetype size)
{
    qsizetype i = 0;
    while (i < size && m_state != State::Failed) {
        const auto octet = static_cast<unsigned char>(bytes[i]);
        switch (m_walk) {
        case Walk::Header:
            ++i;
            if (!(octet & 0x80) || (m_firstPacket && !opensMessage(octet)))
                return fail(notOpenPgp());
            m_firstPacket = false;
            m_partial = false;
            m_left = 0;
            if (octet & 0x40) {
                m_walk = Walk::NewLength;
            } else if ((octet & 3) == 3) {
                m_walk = Walk::Rest; // to the end, whatever its length
            } else {
                m_lengthOctets = 1 << (octet & 3);
                m_walk = Walk::OldLength;
            }
            break;
        case Walk::OldLength:
            ++i;
            m_left = (m_left << 8) | octet;
            if (--m_lengthOctets == 0)
                m_walk = Walk::Body;
            break;
        case Walk::NewLength:
            ++i;
            m_partial = false;
            if (octet < 192) {
                m_left = octet;
                m_walk = Walk::Body;
            } else if (octet < 224) {
                m_left = qint64(octet - 192) << 8;
                m_walk = Walk::SecondOctet;
            } else if (octet == 255) {
                m_left = 0;
                m_lengthOctets = 4;
                m_walk = Walk::OldLength;
            } else {
                m_left = qint64(1) << (octet & 0x1F);
                m_partial = true;
                m_walk = Walk::Body;
            }
            break;
        case Walk::SecondOctet:
            ++i;
            m_left += octet + 192;
            m_walk = Walk::Body;
            break;
        case Walk::Body: {
            const qint64 taken = std::min<qint64>(m_left, size - i);
            i += taken;
            m_left -= taken;
            break;
        }
        case Walk::Rest:
            return;
        }
        if (m_walk == Walk::Body && m_left == 0)
            m_walk = m_partial ? Walk::NewLength : Walk::Header;
    }
}

void MessageReader::end()
{
    if (!walkedWhole())
        return fail(cutShort());
    m_state = State::Done;
}

bool MessageReader::walkedWhole() const
{
    return !m_firstPacket && (m_walk == Walk::Header || m_walk == Walk::Rest);
}

void MessageReader::fail(const QString &reason)
{
    m_state = State::Failed;
    m_reason = reason;
}

} // namespace quenzal::messages
