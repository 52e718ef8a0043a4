#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

class QIODevice;

// OpenPGP password-based messages, the ones `gpg --symmetric` writes and
// reads, made and read through GpgME. No keys and no keyring: gpg runs in a
// private, temporary home of the process's own (0700), whose agent is stopped
// and which is removed when the process ends; the user's keyring, settings
// and agent are never touched. The password reaches gpg through a pipe and is
// never cached; no plain text is written to disk. Each call runs gpg once and
// returns when it is done (GpgME's synchronous operations).
namespace quenzal::messages {

// Why a message could not be made or read; each has its own sentence.
enum class Problem {
    None,
    NoMessage,        // no OpenPGP message found in the text
    WrongPassword,    // the password does not open it
    Damaged,          // armour checksum wrong, truncated, not OpenPGP
    Tampered,         // integrity check (MDC) failed, or no integrity protection
    NotText,          // (decryptText only) content is not UTF-8 text
    Unavailable,      // gpg/GpgME cannot be started
    Cancelled,        // the progress callback asked to stop
    UnusablePassword, // empty, or holding a line break or code 0, which gpg cannot take
    InputUnreadable,  // (streaming forms) the input device failed
    OutputUnwritable, // (streaming forms) the sink refused bytes
};

// reason: the end of a sentence fit for a message box ("The password does
// not open this message").
struct Failure
{
    Problem problem = Problem::None;
    QString reason;
};

// Reports done/total bytes of the input; returns false to cancel. total is
// 0 when the input's size is not known. May be empty.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// The password as UTF-8 bytes; the library clears its own copies after use.
// Armoured (default) or binary OpenPGP, what `gpg --symmetric --armor` writes
// by default: integrity-protected, iterated and salted S2K.
Result<QByteArray, Failure> encrypt(QByteArrayView plain, QByteArrayView password,
                                    bool armour = true, const Progress &progress = {});
// Finds the message in `text` (quoted "> " at any depth, indented, trailing
// blanks, CR/LF/CRLF, other text around it; or a binary message) and
// decrypts it. The bytes given back are the message's exact content.
Result<QByteArray, Failure> decrypt(QByteArrayView text, QByteArrayView password,
                                    const Progress &progress = {});
// decrypt(), and the content as text: NotText when it is not UTF-8.
Result<QString, Failure> decryptText(QByteArrayView text, QByteArrayView password,
                                     const Progress &progress = {});
// True when `text` holds something decrypt() would try (so the window can
// say "no message found" before asking for a password).
bool holdsMessage(QByteArrayView text);

// Streaming forms, in constant memory. The input is read to its end from
// `input` (open for reading); the result goes to `sink` piece by piece as gpg
// gives it. A sink returns false when it cannot take the bytes, which ends
// the operation with OutputUnwritable. For decrypt, gpg can tell whether a
// message was changed only at its end: bytes given to the sink before a
// failure are not the message, and the caller must throw them away (write to
// a temporary file that replaces the output only on success, or hold them).
using Sink = std::function<bool(QByteArrayView bytes)>;
Result<void, Failure> encrypt(QIODevice &input, const Sink &sink, QByteArrayView password,
                              bool armour = true, const Progress &progress = {});
Result<void, Failure> decrypt(QIODevice &input, const Sink &sink, QByteArrayView password,
                              const Progress &progress = {});

} // namespace quenzal::messages
