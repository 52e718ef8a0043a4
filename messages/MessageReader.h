#pragma once

#include "Messages.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace quenzal::messages {

// Finds an OpenPGP message in text as channels leave it and gives its
// binary packets, piece by piece, in memory that does not grow with the
// input. A binary message is one whose first byte starts a packet that opens
// a message for a password (or a key). An armoured one is found among other
// text: each line loses what quoting and indentation put before it (blanks
// and ">" in any mix) and the blanks after it; CR, LF and CR LF all end a
// line; blank lines inside the block are skipped. The armour's checksum,
// when it has one, is checked here, so that a message changed on the way is
// called damaged whatever gpg would say. So is the packets' framing: a
// message must open with a packet for a password (or a key), and one that
// ends inside a packet is cut short.
class MessageReader
{
public:
    enum class State { Searching, Binary, Headers, Body, AfterChecksum, Done, Failed };

    // Reads the next piece of the input and appends the message's bytes it
    // holds to `out`.
    void feed(QByteArrayView piece, QByteArray &out);
    // Tells that the input has ended: a message begun and not ended is
    // damaged (cut short).
    void finish();

    State state() const { return m_state; }
    // True once the input is seen to hold a message (complete or not).
    bool found() const { return m_state != State::Searching; }
    // True when the message has ended and no more input is wanted.
    bool done() const { return m_state == State::Done; }
    bool failed() const { return m_state == State::Failed; }
    // Why the message is damaged, when failed().
    const QString &reason() const { return m_reason; }

private:
    void line(QByteArrayView text, QByteArray &out);
    void body(QByteArrayView text, QByteArray &out);
    void fail(const QString &reason);
    // Follows the packets' lengths over the message's bytes.
    void walk(const char *bytes, qsizetype size);
    bool walkedWhole() const;
    // The armour's end line: the message is whole, or cut short.
    void end();

    State m_state = State::Searching;
    bool m_atStart = true;
    bool m_afterCr = false;
    bool m_lineTooLong = false;
    QByteArray m_line;
    // The base64 characters of a group not yet complete, and how many.
    char m_quad[4] = {};
    int m_quadSize = 0;
    bool m_padded = false;
    std::uint32_t m_crc = 0xB704CEu;
    QString m_reason;

    enum class Walk { Header, OldLength, NewLength, SecondOctet, Body, Rest };
    Walk m_walk = Walk::Header;
    bool m_firstPacket = true;
    bool m_partial = false;
    int m_lengthOctets = 0;
    qint64 m_left = 0;
};

} // namespace quenzal::messages
