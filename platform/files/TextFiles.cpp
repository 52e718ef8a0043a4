#include "platform/files/TextFiles.h"

#include "platform/files/FileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <new>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace quenzal::TextFiles {

namespace {

// Why `path` is not a file Open can read whole, or nothing when it is one.
// Symbolic links are followed. Anything but a regular file (a FIFO that
// would block until a writer comes, an endless device, a socket, a folder)
// is refused before it is opened.
std::optional<QString> notARegularPath(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt; // opening it says why
    return notARegularFile(status.st_mode);
#else
    const QFileInfo info(path);
    if (info.exists() && info.isDir())
        return QStringLiteral("It is a folder, not a file");
    if (info.exists() && !info.isFile())
        return QStringLiteral("It is not a regular file");
    return std::nullopt;
#endif
}

QString tooLarge(qint64 size)
{
    return QStringLiteral("The file is too large to open (%1 MiB; at most %2 MiB)")
        .arg(size / (1024 * 1024))
        .arg(kMaxReadBytes / (1024 * 1024));
}

} // namespace

std::optional<QByteArray> readAll(const QString &path, QString *error)
{
    if (const auto why = notARegularPath(path)) {
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
        if (const auto why = notARegularFile(status.st_mode)) {
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
    FileWriter file(path);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace quenzal::TextFiles
