#pragma once

#include <QIcon>

namespace quenzal {

// The program's icon, at every size it is drawn in; every window uses it.
QIcon programIcon();

} // namespace quenzal
