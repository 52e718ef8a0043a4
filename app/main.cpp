#include "ProgramIcon.h"
#include "frmMAIN.h"
#include "qt/QtServices.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quenzal"));
    QApplication::setApplicationName(QStringLiteral("Quenzal"));
    QApplication::setApplicationVersion(QStringLiteral(QUENZAL_VERSION));
    QApplication::setWindowIcon(quenzal::programIcon());
    QApplication::setDesktopFileName(QStringLiteral("quenzal"));

    quenzal::QtServices desktop;
    quenzal::frmMAIN window(desktop.services());
    window.show();
    return QApplication::exec();
}
