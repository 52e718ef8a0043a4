#pragma once

#include <QUrl>

class QWidget;

namespace quenzal {

// The desktop shell's "open": hands an address to the program the desktop
// associates with it (the web browser). The result is not reported.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual void open(const QUrl &address, QWidget *owner) = 0;
};

} // namespace quenzal
