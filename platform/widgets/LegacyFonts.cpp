#include "platform/widgets/LegacyFonts.h"

#include <QStringList>

namespace quenzal {
namespace {

void installSubstitutes()
{
    static const bool installed = [] {
        const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                  QStringLiteral("DejaVu Sans")};
        const QStringList serif = {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"),
                                   QStringLiteral("DejaVu Serif")};
        QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
        QFont::insertSubstitutions(QStringLiteral("Small Fonts"), sans);
        QFont::insertSubstitutions(QStringLiteral("Times New Roman"), serif);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

QFont legacyFont(const QString &family, qreal pointSize, bool bold)
{
    installSubstitutes();
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setStyleHint(family.contains(QLatin1String("Times")) ? QFont::Serif : QFont::SansSerif);
    return font;
}

QFont dialogFont(bool bold)
{
    return legacyFont(QStringLiteral("MS Sans Serif"), 8.25, bold);
}

} // namespace quenzal
