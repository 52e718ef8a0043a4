#pragma once

#include "FakeServices.h"
#include "TestHashing.h"
#include "TestHelpers.h"
#include "access/PasswordStore.h"
#include "ui/access/AccessGate.h"
#include "ui/access/frmChangePass.h"
#include "ui/access/frmLogin.h"
#include "ui/access/frmPassSet.h"
#include "ui/main/frmMAIN.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace quenzal::test {

// The program on fakes: its store, message boxes and end are recorded.
struct Program
{
    FakeServices fakes;
    std::unique_ptr<AccessGate> gate;

    void start() { gate = OpenAccessGate(fakes.services(), makeMainWindow, cheapHashing()); }

    // Ends this run and starts again on the same store, as a new run would.
    void restart()
    {
        gate.reset();
        start();
    }

    // What an earlier run left in the store.
    void storePassword(const QString &password)
    {
        QVERIFY(PasswordStore(fakes.settings, cheapHashing()).write(password).ok());
        fakes.settings.writes.clear();
    }

    bool storedPasswordIs(const QString &password)
    {
        return isMatch(PasswordStore(fakes.settings, cheapHashing()).matches(password));
    }

    frmPassSet *passSet() const { return gate->passSetWindow(); }
    frmLogin *login() const { return gate->loginWindow(); }
    frmChangePass *changePass() const { return gate->changePassWindow(); }
    frmMAIN *main() const { return qobject_cast<frmMAIN *>(gate->mainWindow()); }

    // The program's visible windows, by name.
    QStringList visible() const
    {
        QStringList names;
        for (QWidget *window :
             {static_cast<QWidget *>(passSet()), static_cast<QWidget *>(login()),
              static_cast<QWidget *>(changePass()), static_cast<QWidget *>(main())}) {
            if (window && window->isVisible())
                names.append(window->objectName());
        }
        return names;
    }

    // The messages shown, as "title: text".
    QStringList messages() const
    {
        QStringList shown;
        for (const auto &call : fakes.messages.calls)
            shown.append(call.title + QStringLiteral(": ") + call.text);
        return shown;
    }

    int ends() const { return fakes.programEnd.count; }

    // Processes the deletion of a window that closed.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

inline QLineEdit *box(QWidget *window, const char *name)
{
    return control<QLineEdit>(window, name);
}

inline void fill(QWidget *window, const char *name, const QString &text)
{
    box(window, name)->setText(text);
}

inline void click(QWidget *window, const char *name)
{
    QTest::mouseClick(control<QPushButton>(window, name), Qt::LeftButton);
}

} // namespace quenzal::test
