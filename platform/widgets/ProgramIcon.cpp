#include "platform/widgets/ProgramIcon.h"

namespace quenzal {

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/app/quenzal-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace quenzal
