#include "platform/files/FileKind.h"

namespace quenzal {

FileKind fileKind(const QString &name)
{
    const QString ending = name.right(4);
    if (ending == QLatin1String(".rtf"))
        return FileKind::RichText;
    if (ending == QLatin1String(".txt"))
        return FileKind::PlainText;
    return FileKind::Other;
}

QString otherKindRefusal(const QString &verb, const QString &quotedName)
{
    return QStringLiteral("Only .txt and .rtf files can be %1; %2 was not %1.")
        .arg(verb, quotedName);
}

} // namespace quenzal
