#pragma once

#include <QByteArray>
#include <QString>

#include "base/Result.h"

namespace quenzal::TextFiles {

// The largest file readAll() reads: its text and document must fit in memory
// several times over.
inline constexpr qint64 kMaxReadBytes = qint64(256) * 1024 * 1024;

// A whole regular file's bytes, or why they cannot be read.
// Symbolic links are followed; anything else (a folder, a FIFO, a socket, a
// device) and a file larger than kMaxReadBytes are refused without reading.
Result<QByteArray> readAll(const QString &path);

// Writes `bytes` as the whole content of `path`, creating or replacing it, as
// FileWriter does.
Result<void> writeAll(const QString &path, QByteArrayView bytes);

} // namespace quenzal::TextFiles
