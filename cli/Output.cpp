#include "Output.h"

#include "platform/files/FileNames.h"

#include <cerrno>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace quenzal::cli {
namespace {

bool isDiskFull(int error)
{
#ifdef EDQUOT
    if (error == EDQUOT)
        return true;
#endif
    return error == ENOSPC;
}

} // namespace

Result<void, Failure> Output::open()
{
    if (!m_name.isEmpty()) {
        if (const FileWriter::Done opened = m_file.open(); !opened)
            return failure(opened.error());
        return {};
    }
    errno = 0;
    if (!m_standardOutput.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(errno, m_standardOutput.errorString());
    return {};
}

Result<void, Failure> Output::write(QByteArrayView bytes)
{
    if (!m_name.isEmpty()) {
        if (const FileWriter::Done written = m_file.write(bytes); !written)
            return failure(written.error());
        return {};
    }
    const char *data = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
#ifdef Q_OS_UNIX
        const ssize_t n = ::write(m_standardOutput.handle(), data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failure(errno, qt_error_string(n < 0 ? errno : EIO));
#else
        errno = 0;
        const qint64 n = m_standardOutput.write(data, left);
        if (n <= 0)
            return failure(errno, m_standardOutput.errorString());
#endif
        data += n;
        left -= n;
    }
    return {};
}

Result<void, Failure> Output::finish()
{
    if (!m_name.isEmpty()) {
        if (const FileWriter::Done committed = m_file.commit(); !committed)
            return failure(committed.error());
    }
    return {};
}

Failure Output::afterInputFailure(Failure failed) const
{
    if (m_file.changedInPlace()) {
        failed.message.chop(1);
        failed.message += QStringLiteral("; %1 was written in place and now holds only the "
                                         "part written before the failure.")
                              .arg(shown());
    }
    return failed;
}

QString Output::shown() const
{
    return m_name.isEmpty() ? QStringLiteral("standard output") : quotedName(m_name);
}

Failure Output::failure(const FileWriter::Failure &failed) const
{
    return failure(failed.systemError, failed.reason);
}

Failure Output::failure(int error, const QString &reason) const
{
    return {isDiskFull(error) ? DiskFull : OutputUnwritable,
            couldNot(QStringLiteral("write ") + shown(), reason)};
}

} // namespace quenzal::cli
