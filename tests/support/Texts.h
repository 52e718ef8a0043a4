#pragma once

#include "engine/CodePage.h"

#include <QString>

namespace quenzal::test {

// Every character of the code page from `from` to 255, in code order.
inline QString everyCode(int from = 1)
{
    QString text;
    for (int code = from; code <= 255; ++code)
        text += QChar(CodePage::toUnicode(std::uint8_t(code)));
    return text;
}

} // namespace quenzal::test
