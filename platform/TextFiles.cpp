#include "TextFiles.h"

#include "FileWriter.h"

#include <QFile>
#include <QFileInfo>

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

bool writeAll(const QString &path, QByteArrayView bytes, QString *error)
{
    FileWriter file(path);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace quenzal::TextFiles
