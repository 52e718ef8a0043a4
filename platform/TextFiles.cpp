#include "TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <new>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace quenzal::TextFiles {

#ifdef Q_OS_UNIX
namespace {

std::optional<QString> kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return std::nullopt;
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe (FIFO), not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a regular file");
    return QStringLiteral("it is not a regular file");
}

} // namespace
#endif

namespace {

// Why `path` is not a file Open can read whole, or nothing when it is one.
// Symbolic links are followed. Anything but a regular file (a FIFO that
// would block until a writer comes, an endless device, a socket, a folder)
// is refused before it is opened.
std::optional<QString> notARegularFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt; // opening it says why
    return kindOf(status.st_mode);
#else
    const QFileInfo info(path);
    if (info.exists() && info.isDir())
        return QStringLiteral("it is a folder, not a file");
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    return std::nullopt;
#endif
}

QString tooLarge(qint64 size)
{
    return QStringLiteral("the file is too large to open (%1 MiB; at most %2 MiB)")
        .arg(size / (1024 * 1024))
        .arg(kMaxReadBytes / (1024 * 1024));
}

} // namespace

std::optional<QByteArray> readAll(const QString &path, QString *error)
{
    if (const auto why = notARegularFile(path)) {
        *error = *why;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
#ifdef Q_OS_UNIX
    // The name may have been pointed elsewhere since it was looked at.
    struct stat status;
    if (::fstat(file.handle(), &status) == 0) {
        if (const auto why = kindOf(status.st_mode)) {
            *error = *why;
            return std::nullopt;
        }
    }
#endif
    const qint64 size = file.size();
    if (size > kMaxReadBytes) {
        *error = tooLarge(size);
        return std::nullopt;
    }
    QByteArray bytes;
    try {
        // A file that grows while it is read is cut at the limit plus one
        // byte, and then refused, instead of filling the memory.
        bytes = file.read(kMaxReadBytes + 1);
    } catch (const std::bad_alloc &) {
        *error = tooLarge(size);
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (bytes.size() > kMaxReadBytes) {
        *error = tooLarge(bytes.size());
        return std::nullopt;
    }
    return bytes;
}

bool writeAll(const QString &path, QByteArrayView bytes, QString *error)
{
    QSaveFile file(path);
    // Unbuffered: with Qt's write buffer, a write that fails when the buffer is
    // flushed (a full disk) goes unreported and commit() keeps a cut-off file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    // A short write is repeated for the rest, so that a lasting failure comes
    // back as an error with its reason.
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            *error = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += n;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace quenzal::TextFiles
