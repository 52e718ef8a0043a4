#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quenzal::TextFiles {

// The largest file readAll() reads: its text and document must fit in memory
// several times over.
inline constexpr qint64 kMaxReadBytes = qint64(256) * 1024 * 1024;

// A whole regular file's bytes, or nothing with the reason in `error`.
// Symbolic links are followed; anything else (a folder, a FIFO, a socket, a
// device) and a file larger than kMaxReadBytes are refused without reading.
std::optional<QByteArray> readAll(const QString &path, QString *error);

// Writes `bytes` as the whole content of `path`, creating or replacing it, as
// FileWriter does. Returns false with the reason in `error`.
bool writeAll(const QString &path, QByteArrayView bytes, QString *error);

} // namespace quenzal::TextFiles
