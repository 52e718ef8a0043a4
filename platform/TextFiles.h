#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quenzal::TextFiles {

// A whole file's bytes, or nothing with the reason in `error`.
std::optional<QByteArray> readAll(const QString &path, QString *error);

// Writes `bytes` as the whole content of `path`, creating or replacing it. The
// bytes go to a temporary file in the same folder, which takes the file's
// place only once everything is written: a failed write leaves any old file
// as it was and nothing else behind. Returns false with the reason in `error`.
bool writeAll(const QString &path, QByteArrayView bytes, QString *error);

} // namespace quenzal::TextFiles
