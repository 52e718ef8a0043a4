#include "ui/info/WebLinks.h"

#include "MakerSite.h"
#include "platform/ports/Shell.h"

#include <QCursor>
#include <QGuiApplication>

namespace quenzal {

QUrl webLinkAddress(WebLink link)
{
    QLatin1String path;
    switch (link) {
    case WebLink::Help:
        path = QLatin1String("/encryption/quenzal/help.html");
        break;
    case WebLink::HomePage:
        path = QLatin1String("/encryption/quenzal/");
        break;
    case WebLink::Contact:
        path = QLatin1String("/contact.html");
        break;
    case WebLink::Recommend:
        path = QLatin1String("/cgi-bin/recommend.cgi");
        break;
    case WebLink::MakerHome:
        path = QLatin1String("/");
        break;
    }
    return QUrl(QLatin1String(kMakerSite) + path, QUrl::StrictMode);
}

void useCustomApplicationPointer()
{
    if (qApp->property(kCustomPointerProperty).toBool())
        return;
    qApp->setProperty(kCustomPointerProperty, true);
    QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
}

void openWebLink(Shell &shell, WebLink link, QWidget *owner)
{
    useCustomApplicationPointer();
    shell.open(webLinkAddress(link), owner);
}

} // namespace quenzal
