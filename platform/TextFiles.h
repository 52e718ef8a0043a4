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

// Writes `bytes` as the whole content of `path`, creating or replacing it. The
// bytes go to a temporary file in the same folder, which takes the file's
// place only once everything is written: a failed write leaves any old file
// as it was and nothing else behind. A file that such a replacement would
// change in what it is (another owner or group, other names by hard links, a
// folder where no new file can be made) is written in place instead; a path
// that is not a regular file (a device, a FIFO, a folder, also behind a
// symbolic link) is refused. Returns false with the reason in `error`.
bool writeAll(const QString &path, QByteArrayView bytes, QString *error);

} // namespace quenzal::TextFiles
