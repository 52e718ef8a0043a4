#pragma once

#include <QString>

class QWidget;

namespace quenzal {

// Modal message boxes. Every box the program shows has one OK button.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // The critical-stop icon and one OK button; returns when the box is closed.
    virtual void critical(QWidget *parent, const QString &title, const QString &text) = 0;
};

} // namespace quenzal
