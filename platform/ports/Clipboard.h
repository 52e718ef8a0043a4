#pragma once

#include <QString>

namespace quenzal {

// The desktop's clipboard, plain text only.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const QString &text) = 0;
    // The clipboard's plain text; empty when it holds none.
    virtual QString text() const = 0;
};

} // namespace quenzal
