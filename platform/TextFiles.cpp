#include "TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quenzal::TextFiles {

std::optional<QByteArray> readAll(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
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

#ifdef Q_OS_UNIX
QString notRegularFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("It is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("It is a named pipe (FIFO), not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("It is a device, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("It is a socket, not a regular file");
    return QStringLiteral("It is not a regular file");
}
#endif

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
    if (!S_ISREG(file.st_mode))
        return {SaveTarget::Refuse, notRegularFile(file.st_mode)};
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
