#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace quenzal {

// The Open and Save As dialogs. Each returns the chosen file's full path, or
// nothing when the user cancels. Neither appends an extension, and Save As
// does not ask before replacing a file.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> getOpenFileName(QWidget *parent,
                                                   const QStringList &nameFilters) = 0;
    virtual std::optional<QString> getSaveFileName(QWidget *parent,
                                                   const QStringList &nameFilters) = 0;
};

} // namespace quenzal
