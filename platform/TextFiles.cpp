#include "TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <new>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quenzal::TextFiles {

#ifdef Q_OS_UNIX
namespace {

// Why a file of this mode is not one that Open reads or Save writes, or
// nothing when it is a regular file.
std::optional<QString> kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return std::nullopt;
    if (S_ISDIR(mode))
        return QStringLiteral("It is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("It is a named pipe (FIFO), not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("It is a socket, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("It is a device, not a regular file");
    return QStringLiteral("It is not a regular file");
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

namespace {

// How a save treats the file already at its path.
struct SaveTarget
{
    enum Way { Replace, InPlace, Refuse };
    Way way = Replace;
    QString refusal; // why, for Refuse
};

// A file that exists is replaced by a new one only where the new one would be
// the same file to everyone else: a regular file, ours, in the group a new
// file gets, with no other name, in a folder where we may make its
// replacement. Otherwise it is written in place, or, when it is not a regular
// file at all (a device, a FIFO, a folder), left alone. Symbolic links are
// followed.
SaveTarget saveTarget(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat file;
    if (::stat(QFile::encodeName(path).constData(), &file) != 0)
        return {}; // a new file; what stops it is reported on the way
    if (const auto why = kindOf(file.st_mode))
        return {SaveTarget::Refuse, *why};
    const QByteArray folder = QFile::encodeName(QFileInfo(path).canonicalPath());
    struct stat dir;
    if (::stat(folder.constData(), &dir) != 0)
        return {SaveTarget::InPlace, {}};
    const gid_t newGroup = (dir.st_mode & S_ISGID) ? dir.st_gid : ::getegid();
    if (file.st_nlink > 1 || file.st_uid != ::geteuid() || file.st_gid != newGroup ||
        ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return {SaveTarget::InPlace, {}};
    return {};
#else
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return {SaveTarget::Refuse, QStringLiteral("It is not a regular file")};
    if (!QFileInfo(info.canonicalPath()).isWritable())
        return {SaveTarget::InPlace, {}};
    return {};
#endif
}

// Writes all of `bytes`, a short write repeated for the rest, so that a
// lasting failure comes back as an error with its reason.
bool writeEvery(QFileDevice &file, QByteArrayView bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.data() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

bool writeReplacing(const QString &path, QByteArrayView bytes, QString *error)
{
    QSaveFile file(path);
    // Unbuffered: with Qt's write buffer, a write that fails when the buffer is
    // flushed (a full disk) goes unreported and commit() keeps a cut-off file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    if (!writeEvery(file, bytes)) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

// Writes over the file itself, which keeps its owner, group, permissions and
// other names. A failure once it is open leaves the file with only the part
// written before it, and the reason says so.
bool writeInPlace(const QString &path, QByteArrayView bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::ExistingOnly |
                   QIODevice::Unbuffered)) {
        *error = file.errorString(); // the file is as it was
        return false;
    }
    const auto cutOff = [error](QString reason) {
        while (reason.endsWith(u'.'))
            reason.chop(1);
        *error = reason + QStringLiteral(". The file could not be replaced as a whole, so it was "
                                         "written in place and now holds only the part written "
                                         "before the failure");
        return false;
    };
    if (!writeEvery(file, bytes))
        return cutOff(file.errorString());
#ifdef Q_OS_UNIX
    // What the system had still to write can fail only now.
    if (::fsync(file.handle()) != 0)
        return cutOff(qt_error_string(errno));
#endif
    file.close();
    if (file.error() != QFileDevice::NoError)
        return cutOff(file.errorString());
    return true;
}

} // namespace

bool writeAll(const QString &path, QByteArrayView bytes, QString *error)
{
    const SaveTarget target = saveTarget(path);
    switch (target.way) {
    case SaveTarget::Refuse:
        *error = target.refusal;
        return false;
    case SaveTarget::InPlace:
        return writeInPlace(path, bytes, error);
    case SaveTarget::Replace:
        break;
    }
    return writeReplacing(path, bytes, error);
}

} // namespace quenzal::TextFiles
