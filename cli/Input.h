#pragma once

#include "ExitStatus.h"
#include "base/Result.h"

#include <QFile>
#include <QString>

namespace quenzal::cli {

// A command's input: a named file (its name as the system's bytes, see
// FileNames.h), or standard input when the name is empty. Read as bytes,
// unbuffered, from start to end.
class Input
{
public:
    explicit Input(const QString &name) : m_name(name) {}

    const QString &name() const { return m_name; }
    QFile &device() { return m_file; }
    const QFile &device() const { return m_file; }

    // "standard input", or the name in quotes as a message shows it.
    QString shown() const;

    Result<void, Failure> open();
    // Back to the start, for a second pass: only a regular file can.
    bool rewind() { return !m_file.isSequential() && m_file.seek(0); }

    // Why the input cannot be read, as the run's failure: the input is
    // missing, or it cannot be read for `reason`.
    Failure failure(const QString &reason) const;

private:
    QString m_name;
    QFile m_file;
};

} // namespace quenzal::cli
