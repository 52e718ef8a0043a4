#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include "base/Result.h"

namespace quenzal::TextFiles {

// The largest file readAll() reads: its text and document must fit in memory
// several times over.
inline constexpr qint64 kMaxReadBytes = qint64(256) * 1024 * 1024;

// A whole regular file's bytes, or why they cannot be read.
// Symbolic links are followed; anything else (a folder, a FIFO, a socket, a
// device) and a file larger than kMaxReadBytes are refused without reading.
Result<QByteArray> readAll(const QString &path);

// Takes the next piece of a file's bytes, told that `done` of its `total`
// bytes are read with it; false stops the reading.
using TakePiece = std::function<bool(QByteArrayView piece, qint64 done, qint64 total)>;

// A whole regular file's bytes handed to `take` in order, in pieces of at
// most `pieceSize` bytes, so that they need not all be held at once; refused
// as by readAll(), also once a file that grows while it is read passes
// kMaxReadBytes. Whole once the last piece is taken; Stopped when `take`
// stopped the reading.
Result<Completion> readInPieces(const QString &path, qint64 pieceSize, const TakePiece &take);

// Writes `bytes` as the whole content of `path`, creating or replacing it, as
// FileWriter does.
Result<void> writeAll(const QString &path, QByteArrayView bytes);

} // namespace quenzal::TextFiles
