#include "platform/files/TextFiles.h"

#include "platform/files/FileNames.h"
#include "platform/files/FileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <new>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quenzal::TextFiles {

namespace {

// Fails with why `path` is not a file Open can read whole; ok when it is one.
// Symbolic links are followed. Anything but a regular file (a FIFO that
// would block until a writer comes, an endless device, a socket, a folder)
// is refused before it is opened.
Result<void> checkRegularPath(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(systemName(path).constData(), &status) != 0)
        return {}; // opening it says why
    return checkRegularFile(status.st_mode);
#else
    const QFileInfo info(path);
    if (info.exists() && info.isDir())
        return Result<void>::failure(QStringLiteral("It is a folder, not a file"));
    if (info.exists() && !info.isFile())
        return Result<void>::failure(QStringLiteral("It is not a regular file"));
    return {};
#endif
}

// readAll() reads in pieces this large.
constexpr qint64 kReadAllPiece = 1024 * 1024;

QString tooLarge(qint64 size)
{
    return QStringLiteral("The file is too large to open (%1 MiB; at most %2 MiB)")
        .arg(size / (1024 * 1024))
        .arg(kMaxReadBytes / (1024 * 1024));
}

} // namespace

Result<QByteArray> readAll(const QString &path)
{
    QByteArray bytes;
    qint64 size = 0;
    try {
        const auto read =
            readInPieces(path, kReadAllPiece, [&](QByteArrayView piece, qint64, qint64 total) {
                size = total;
                if (bytes.isEmpty())
                    bytes.reserve(total);
                bytes += piece;
                return true;
            });
        if (!read.ok())
            return Result<QByteArray>::failure(read.error());
    } catch (const std::bad_alloc &) {
        return Result<QByteArray>::failure(tooLarge(size));
    }
    return bytes;
}

Result<Completion> readInPieces(const QString &path, qint64 pieceSize, const TakePiece &take)
{
    using Read = Result<Completion>;
    if (const Result<void> regular = checkRegularPath(path); !regular)
        return Read::failure(regular.error());
    QFile file(path);
#ifdef Q_OS_UNIX
    // Opened without waiting: the name may have been pointed at a FIFO since
    // it was looked at.
    const int handle = ::open(systemName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        return Read::failure(qt_error_string(errno));
    if (!file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return Read::failure(file.errorString());
    }
    // The name may have been pointed elsewhere since it was looked at.
    struct stat status;
    if (::fstat(file.handle(), &status) == 0) {
        if (const Result<void> regular = checkRegularFile(status.st_mode); !regular)
            return Read::failure(regular.error());
    }
#else
    if (!file.open(QIODevice::ReadOnly))
        return Read::failure(file.errorString());
#endif
    const qint64 size = file.size();
    if (size > kMaxReadBytes)
        return Read::failure(tooLarge(size));
    QByteArray piece(qMax<qint64>(1, pieceSize), Qt::Uninitialized);
    for (qint64 done = 0;;) {
        const qint64 read = file.read(piece.data(), piece.size());
        if (read < 0)
            return Read::failure(file.errorString());
        if (read == 0)
            return Completion::Whole;
        done += read;
        // A file that grows while it is read is refused once it passes the
        // limit, instead of filling the memory.
        if (done > kMaxReadBytes)
            return Read::failure(tooLarge(done));
        if (!take(QByteArrayView(piece.constData(), read), done, qMax(size, done)))
            return Completion::Stopped;
    }
}

Result<void> writeAll(const QString &path, QByteArrayView bytes)
{
    FileWriter file(path);
    FileWriter::Done done = file.open();
    if (done)
        done = file.write(bytes);
    if (done)
        done = file.commit();
    if (done)
        return {};
    return Result<void>::failure(done.error().reason);
}

} // namespace quenzal::TextFiles
