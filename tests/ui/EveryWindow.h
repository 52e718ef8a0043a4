#pragma once

#include "AccessFixture.h"
#include "ui/info/frmAbout.h"
#include "ui/main/frmMessagePassword.h"

#include <QTest>

#include <memory>

namespace quenzal::test {

// Any window of the program by its name, shown alone as the program first
// shows it, with nothing stored: frmPassSet, frmLogin, frmChangePass, frmMAIN,
// frmAbout, or the message password windows frmEncrypt and frmDecrypt over the
// main window.
struct EveryWindow
{
    Program program;
    std::unique_ptr<frmAbout> about;

    QWidget *open(const QString &name)
    {
        program.start();
        if (name == QLatin1String("frmPassSet"))
            return program.passSet();
        program.passSet()->hide();
        if (name == QLatin1String("frmAbout")) {
            about = std::make_unique<frmAbout>(program.fakes.shell);
            about->show();
            return about.get();
        }
        if (name == QLatin1String("frmLogin"))
            program.gate->showLogin();
        else if (name == QLatin1String("frmChangePass"))
            program.gate->showChangePass();
        else
            program.gate->showMain();
        for (const auto purpose :
             {frmMessagePassword::Purpose::Encrypt, frmMessagePassword::Purpose::Decrypt}) {
            auto *asking =
                new frmMessagePassword(program.fakes.services(), purpose, {}, program.main());
            if (asking->objectName() != name) {
                delete asking;
                continue;
            }
            asking->open();
            return asking;
        }
        for (QWidget *window :
             {static_cast<QWidget *>(program.login()), static_cast<QWidget *>(program.changePass()),
              static_cast<QWidget *>(program.main())})
            if (window && window->objectName() == name)
                return window;
        return nullptr;
    }
};

// A data column "window" with a row for each window that EveryWindow opens.
inline void addWindowRows()
{
    QTest::addColumn<QString>("window");
    for (const char *window : {"frmMAIN", "frmPassSet", "frmLogin", "frmChangePass", "frmAbout",
                               "frmEncrypt", "frmDecrypt"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

} // namespace quenzal::test
