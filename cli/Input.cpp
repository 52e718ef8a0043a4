#include "Input.h"

#include "platform/files/FileNames.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace quenzal::cli {

QString Input::shown() const
{
    return m_name.isEmpty() ? QStringLiteral("standard input") : quotedName(m_name);
}

Result<void, Failure> Input::open()
{
    if (m_name.isEmpty()) {
        if (!m_file.open(0, QIODevice::ReadOnly | QIODevice::Unbuffered))
            return failure(m_file.errorString());
    } else if (const auto opened = openForReading(m_file, m_name); !opened) {
        return failure(opened.error());
    }
#ifdef Q_OS_LINUX
    // Read from start to end: the system may read far ahead (a pipe or a
    // terminal ignores it).
    ::posix_fadvise(m_file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return {};
}

Failure Input::failure(const QString &reason) const
{
    const bool missing = !m_name.isEmpty() && !fileExists(m_name);
    return {missing ? InputMissing : InputUnreadable,
            couldNot(QStringLiteral("read ") + shown(), reason)};
}

} // namespace quenzal::cli
