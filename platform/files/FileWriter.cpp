#include "platform/files/FileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quenzal {
namespace {

// How a save treats the file already at its path.
struct SaveTarget
{
    enum Way { Replace, InPlace, Refuse };
    Way way = Replace;
    QString refusal;          // why, for Refuse
    std::optional<uint> mode; // the permissions of the file that is replaced
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
    if (const Result<void> regular = checkRegularFile(file.st_mode); !regular)
        return {SaveTarget::Refuse, regular.error(), {}};
    const QByteArray folder = QFile::encodeName(QFileInfo(path).canonicalPath());
    struct stat dir;
    if (::stat(folder.constData(), &dir) != 0)
        return {SaveTarget::InPlace, {}, {}};
    const gid_t newGroup = (dir.st_mode & S_ISGID) ? dir.st_gid : ::getegid();
    if (file.st_nlink > 1 || file.st_uid != ::geteuid() || file.st_gid != newGroup ||
        ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return {SaveTarget::InPlace, {}, {}};
    return {SaveTarget::Replace, {}, uint(file.st_mode & 07777)};
#else
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return {SaveTarget::Refuse, QStringLiteral("It is not a regular file"), {}};
    if (!QFileInfo(info.canonicalPath()).isWritable())
        return {SaveTarget::InPlace, {}, {}};
    return {};
#endif
}

} // namespace

Result<void> checkRegularFile(unsigned int mode)
{
    const auto refuse = [](const QString &why) { return Result<void>::failure(why); };
#ifdef Q_OS_UNIX
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return refuse(QStringLiteral("It is a folder, not a file"));
    if (S_ISFIFO(mode))
        return refuse(QStringLiteral("It is a named pipe (FIFO), not a regular file"));
    if (S_ISSOCK(mode))
        return refuse(QStringLiteral("It is a socket, not a regular file"));
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return refuse(QStringLiteral("It is a device, not a regular file"));
#else
    Q_UNUSED(mode);
#endif
    return refuse(QStringLiteral("It is not a regular file"));
}

FileWriter::FileWriter(const QString &path) : m_path(path) {}

// A QSaveFile dropped before its commit removes its temporary file.
FileWriter::~FileWriter() = default;

FileWriter::Done FileWriter::fail(int systemError, const QString &reason)
{
    m_failure = {reason, systemError};
    if (auto *save = qobject_cast<QSaveFile *>(m_file.get()))
        save->cancelWriting();
    else if (m_cutDown) {
        QString &said = m_failure.reason;
        while (said.endsWith(u'.'))
            said.chop(1);
        said += QStringLiteral(". The file could not be replaced as a whole, so it was "
                               "written in place and now holds only the part written "
                               "before the failure");
    }
    m_file.reset(); // nothing more is written, and no commit follows
    return Done::failure(m_failure);
}

FileWriter::Done FileWriter::open()
{
    const SaveTarget target = saveTarget(m_path);
    if (target.way == SaveTarget::Refuse)
        return fail(0, target.refusal); // nothing is open yet
    // Unbuffered, and written below with the system's own calls: with Qt's
    // write buffer, a write that fails when the buffer is flushed (a full
    // disk) goes unreported and the file is kept cut off.
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    m_inPlace = target.way == SaveTarget::InPlace;
    bool opened = false;
    errno = 0;
    if (!m_inPlace) {
        auto save = std::make_unique<QSaveFile>(m_path);
        opened = save->open(mode);
#ifdef Q_OS_UNIX
        // The replacement gets the old file's mode exactly: Qt's copy of it
        // gives a read-only file written by root its owner's write
        // permission, and drops the set-user-ID, set-group-ID and sticky bits.
        if (opened && target.mode && ::fchmod(save->handle(), mode_t(*target.mode)) != 0) {
            const int error = errno;
            return fail(error, qt_error_string(error)); // the temporary file goes with `save`
        }
#endif
        m_file = std::move(save);
    } else {
        auto file = std::make_unique<QFile>(m_path);
#ifdef Q_OS_UNIX
        // Opened as it is, and cut down only when the first bytes come: a
        // failure before them (the input's) leaves the file as it was.
        const int handle = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CLOEXEC);
        if (handle < 0) {
            const int error = errno;
            return fail(error, qt_error_string(error)); // the file is as it was
        }
        opened = file->open(handle, mode, QFileDevice::AutoCloseHandle);
        if (!opened)
            ::close(handle);
#else
        opened = file->open(mode | QIODevice::Truncate | QIODevice::ExistingOnly);
        m_cutDown = opened;
#endif
        m_file = std::move(file);
    }
    if (!opened) {
        const int error = errno;
        m_failure = {m_file->errorString(), error}; // the file is as it was
        m_file.reset();
        return Done::failure(m_failure);
    }
    return {};
}

FileWriter::Done FileWriter::cutDown()
{
#ifdef Q_OS_UNIX
    if (m_inPlace && !m_cutDown) {
        if (::ftruncate(m_file->handle(), 0) != 0)
            return fail(errno, qt_error_string(errno));
        m_cutDown = true;
    }
#endif
    return {};
}

FileWriter::Done FileWriter::write(QByteArrayView bytes)
{
    if (!m_file)
        return Done::failure(m_failure);
    if (Done cut = cutDown(); !cut)
        return cut;
    const char *data = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
#ifdef Q_OS_UNIX
        const ssize_t n = ::write(m_file->handle(), data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO, qt_error_string(n < 0 ? errno : EIO));
#else
        const qint64 n = m_file->write(data, left);
        if (n <= 0)
            return fail(0, m_file->errorString());
#endif
        data += n;
        left -= n;
    }
    return {};
}

FileWriter::Done FileWriter::commit()
{
    if (!m_file)
        return Done::failure(m_failure);
    if (auto *save = qobject_cast<QSaveFile *>(m_file.get())) {
        // Synced to disk before it takes the old file's place, so that a
        // crash leaves either the old file or the new one whole.
        errno = 0;
        if (!save->commit()) {
            const int error = errno;
            m_failure = {save->errorString(), error};
            m_file.reset();
            return Done::failure(m_failure);
        }
        m_file.reset();
        return {};
    }
    if (Done cut = cutDown(); !cut)
        return cut;
#ifdef Q_OS_UNIX
    // What the system had still to write can fail only now.
    if (::fsync(m_file->handle()) != 0)
        return fail(errno, qt_error_string(errno));
#endif
    m_file->close();
    if (m_file->error() != QFileDevice::NoError)
        return fail(0, m_file->errorString());
    m_file.reset();
    return {};
}

} // namespace quenzal
