#include "platform/files/FileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include "platform/files/FileNames.h"

#include <QRandomGenerator>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#else
#include <QSaveFile>
#endif

namespace quenzal {
namespace {

// `reason` for a failure after the file itself was cut down to be written.
QString leftInPart(QString reason)
{
    while (reason.endsWith(u'.'))
        reason.chop(1);
    return reason + QStringLiteral(". The file could not be replaced as a whole, so it was "
                                   "written in place and now holds only the part written "
                                   "before the failure");
}

#ifdef Q_OS_UNIX

// `path` with its symbolic links followed to the name they lead to, which
// need not exist yet: a replacement is made beside the file the links lead
// to, and the links are kept. Nothing, with errno set, after too many links.
std::optional<QByteArray> followLinks(QByteArray path)
{
    for (int links = 0; links < 40; ++links) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length <= 0)
            return path;
        if (target[0] == '/')
            path = QByteArray(target, length);
        else
            path = path.first(path.lastIndexOf('/') + 1).append(target, length);
    }
    errno = ELOOP;
    return std::nullopt;
}

// "a/b/c.txt" as its folder "a/b" and its name "c.txt".
std::pair<QByteArray, QByteArray> splitPath(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {QByteArrayLiteral("."), path};
    return {slash == 0 ? QByteArrayLiteral("/") : path.first(slash), path.sliced(slash + 1)};
}

// A name for a replacement beside the file `name`, which no one else guesses.
QByteArray temporaryName(const QByteArray &name)
{
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray temporary = name + '.';
    for (int i = 0; i < 6; ++i)
        temporary += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
    return temporary;
}

#else

// How a save treats the file already at its path.
struct SaveTarget
{
    enum Way { Replace, InPlace, Refuse };
    Way way = Replace;
    QString refusal; // why, for Refuse
};

SaveTarget saveTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return {SaveTarget::Refuse, QStringLiteral("It is not a regular file")};
    if (!QFileInfo(info.canonicalPath()).isWritable())
        return {SaveTarget::InPlace, {}};
    return {};
}

#endif

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

#ifdef Q_OS_UNIX

// A replacement dropped before its commit is removed.
FileWriter::~FileWriter()
{
    release();
}

void FileWriter::release()
{
    if (m_handle >= 0)
        ::close(m_handle);
    if (!m_temporary.isEmpty())
        ::unlinkat(m_folder, m_temporary.constData(), 0);
    if (m_folder >= 0)
        ::close(m_folder);
    m_handle = m_folder = -1;
    m_temporary.clear();
}

FileWriter::Done FileWriter::fail(int systemError, const QString &reason)
{
    m_failure = {reason, systemError};
    if (m_cutDown)
        m_failure.reason = leftInPart(m_failure.reason);
    release(); // nothing more is written, and no commit follows
    return Done::failure(m_failure);
}

// A file that exists is replaced by a new one only where the new one would be
// the same file to everyone else: a regular file, ours, in the group a new
// file gets, with no other name, in a folder where we may make its
// replacement. Otherwise it is written in place, or, when it is not a regular
// file at all (a device, a FIFO, a folder), left alone. Symbolic links are
// followed.
FileWriter::Done FileWriter::open()
{
    const QByteArray path = systemName(m_path);
    struct stat file;
    const bool exists = ::stat(path.constData(), &file) == 0;
    if (exists) {
        if (const Result<void> regular = checkRegularFile(file.st_mode); !regular)
            return fail(0, regular.error()); // nothing is open yet
    }
    const auto real = followLinks(path);
    if (!real) {
        const int error = errno;
        return fail(error, qt_error_string(error));
    }
    const auto [folder, name] = splitPath(*real);
    m_name = name;
#ifdef O_PATH
    const int folderMode = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
    const int folderMode = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
    m_folder = ::open(folder.constData(), folderMode);
    if (!exists) { // a new file; what stops it is reported on the way
        const int error = m_name.isEmpty() ? EISDIR : errno;
        if (m_folder < 0 || m_name.isEmpty())
            return fail(error, qt_error_string(error));
        return openReplacement(std::nullopt);
    }
    struct stat dir;
    if (m_folder >= 0 && ::fstat(m_folder, &dir) == 0) {
        const gid_t newGroup = (dir.st_mode & S_ISGID) ? dir.st_gid : ::getegid();
        if (file.st_nlink == 1 && file.st_uid == ::geteuid() && file.st_gid == newGroup &&
            ::faccessat(m_folder, ".", W_OK | X_OK, AT_EACCESS) == 0)
            return openReplacement(uint(file.st_mode & 07777));
    }
    // Opened as it is, and cut down only when the first bytes come: a
    // failure before them (the input's) leaves the file as it was.
    m_inPlace = true;
    m_handle = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (m_handle < 0) {
        const int error = errno;
        return fail(error, qt_error_string(error)); // the file is as it was
    }
    return {};
}

// The replacement, in the folder of the file it replaces, with the old
// file's mode exactly, set-user-ID, set-group-ID and sticky bits included;
// a new file gets what the umask leaves of 0666.
FileWriter::Done FileWriter::openReplacement(std::optional<uint> mode)
{
    const mode_t created = mode ? 0600 : 0666; // no one else reads it before its mode is set
#ifdef O_TMPFILE
    // Without a name until it takes the file's place (through /proc), so
    // that nothing is left behind even when the program is killed.
    m_handle = ::openat(m_folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, created);
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_handle);
    if (m_handle >= 0 && ::access(self.constData(), F_OK) != 0) {
        ::close(m_handle);
        m_handle = -1;
    }
#endif
    for (int tries = 0; m_handle < 0 && tries < 100; ++tries) {
        const QByteArray temporary = temporaryName(m_name);
        m_handle = ::openat(m_folder, temporary.constData(),
                            O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, created);
        if (m_handle >= 0)
            m_temporary = temporary;
        else if (errno != EEXIST)
            break;
    }
    if (m_handle < 0 || (mode && ::fchmod(m_handle, mode_t(*mode)) != 0)) {
        const int error = errno;
        return fail(error, qt_error_string(error));
    }
    return {};
}

// Synced to disk before it takes the old file's place, so that a crash
// leaves either the old file or the new one whole.
FileWriter::Done FileWriter::putInPlace()
{
    if (::fsync(m_handle) != 0) {
        const int error = errno;
        return fail(error, qt_error_string(error));
    }
#ifdef O_TMPFILE
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_handle);
    for (int tries = 0; m_temporary.isEmpty() && tries < 100; ++tries) {
        const QByteArray temporary = temporaryName(m_name);
        if (::linkat(AT_FDCWD, self.constData(), m_folder, temporary.constData(),
                     AT_SYMLINK_FOLLOW) == 0)
            m_temporary = temporary;
        else if (errno != EEXIST)
            break;
    }
    if (m_temporary.isEmpty()) {
        const int error = errno;
        return fail(error, qt_error_string(error));
    }
#endif
    const int handle = std::exchange(m_handle, -1);
    if (::close(handle) != 0 ||
        ::renameat(m_folder, m_temporary.constData(), m_folder, m_name.constData()) != 0) {
        const int error = errno;
        return fail(error, qt_error_string(error));
    }
    m_temporary.clear();
    release();
    return {};
}

FileWriter::Done FileWriter::cutDown()
{
    if (m_inPlace && !m_cutDown) {
        if (::ftruncate(m_handle, 0) != 0) {
            const int error = errno;
            return fail(error, qt_error_string(error));
        }
        m_cutDown = true;
    }
    return {};
}

FileWriter::Done FileWriter::write(QByteArrayView bytes)
{
    if (m_handle < 0)
        return Done::failure(m_failure);
    if (Done cut = cutDown(); !cut)
        return cut;
    const char *data = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_handle, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            return fail(error, qt_error_string(error));
        }
        data += n;
        left -= n;
    }
    return {};
}

FileWriter::Done FileWriter::commit()
{
    if (m_handle < 0)
        return Done::failure(m_failure);
    if (!m_inPlace)
        return putInPlace();
    // What the system had still to write can fail only now.
    if (Done cut = cutDown(); !cut)
        return cut;
    if (::fsync(m_handle) != 0 || ::close(std::exchange(m_handle, -1)) != 0) {
        const int error = errno;
        return fail(error, qt_error_string(error));
    }
    release();
    return {};
}

#else

// A QSaveFile dropped before its commit removes its temporary file.
FileWriter::~FileWriter() = default;

FileWriter::Done FileWriter::fail(int systemError, const QString &reason)
{
    m_failure = {reason, systemError};
    if (auto *save = qobject_cast<QSaveFile *>(m_file.get()))
        save->cancelWriting();
    else if (m_cutDown)
        m_failure.reason = leftInPart(m_failure.reason);
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
        m_file = std::move(save);
    } else {
        auto file = std::make_unique<QFile>(m_path);
        opened = file->open(mode | QIODevice::Truncate | QIODevice::ExistingOnly);
        m_cutDown = opened;
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
        const qint64 n = m_file->write(data, left);
        if (n <= 0)
            return fail(0, m_file->errorString());
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
    m_file->close();
    if (m_file->error() != QFileDevice::NoError)
        return fail(0, m_file->errorString());
    m_file.reset();
    return {};
}

#endif

} // namespace quenzal
