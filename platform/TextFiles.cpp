#include "TextFiles.h"

#include <QFile>
#include <QSaveFile>

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
