#include "platform/qt/QtServices.h"
#include "platform/widgets/ProgramIcon.h"
#include "ui/access/AccessGate.h"
#include "ui/main/frmMAIN.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quenzal"));
    QApplication::setApplicationName(QStringLiteral("Quenzal"));
    QApplication::setApplicationVersion(QStringLiteral(QUENZAL_VERSION));
    QApplication::setWindowIcon(quenzal::programIcon());
    // The installed menu entry's name, which Wayland compositors match the
    // windows to.
    QApplication::setDesktopFileName(QStringLiteral(QUENZAL_APP_ID));
    // The program ends only through its own windows (closing the main window,
    // Cancel in the Set Password or Login window), at once and without any
    // other window's close handling; never because its last window went.
    QApplication::setQuitOnLastWindowClosed(false);

    quenzal::QtServices desktop;
    const auto gate = quenzal::OpenAccessGate(desktop.services(), quenzal::makeMainWindow);
    return QApplication::exec();
}
