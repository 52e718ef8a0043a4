#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quenzal::TextFiles {

// A whole file's bytes, or nothing with the reason in `error`.
std::optional<QByteArray> readAll(const QString &path, QString *error);

// Writes `bytes` as the whole content of `path`, creating or replacing it, as
// FileWriter does. Returns false with the reason in `error`.
bool writeAll(const QString &path, QByteArrayView bytes, QString *error);

} // namespace quenzal::TextFiles
