#pragma once

#include "ExitStatus.h"
#include "platform/files/FileWriter.h"

#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace quenzal::cli {

// The result's destination: a named file, written as the window's Save
// writes one, or standard output.
class Output
{
public:
    explicit Output(const QString &name) : m_name(name), m_file(name) {}

    Result<void, Failure> open();
    Result<void, Failure> write(QByteArrayView bytes);
    // Puts a named output in its place.
    Result<void, Failure> finish();

    bool writesInPlace() const { return m_file.writesInPlace(); }
    const QString &name() const { return m_name; }

    // The input's failure, and what it left of a file written in place.
    Failure afterInputFailure(Failure failed) const;
    // Standard output, or the named file in quotes.
    QString shown() const;

private:
    Failure failure(const FileWriter::Failure &failed) const;
    Failure failure(int error, const QString &reason) const;

    QString m_name;
    FileWriter m_file;
    QFile m_standardOutput;
};

} // namespace quenzal::cli
