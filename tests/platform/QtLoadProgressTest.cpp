// The real feedback of a long load: the busy pointer, the modal progress
// window and its Cancel, without waiting for the window to show.
#include "TestCase.h"
#include "platform/qt/QtServices.h"

#include <QGuiApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace quenzal;

class QtLoadProgressTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void busyUntilFinishedAndCancelledByTheUser_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("parentGoesFirst");
        QTest::newRow("runs to the end") << false << false;
        QTest::newRow("Cancel pressed") << true << false;
        QTest::newRow("its window closed meanwhile") << false << true;
    }

    void busyUntilFinishedAndCancelledByTheUser()
    {
        QFETCH(bool, cancel);
        QFETCH(bool, parentGoesFirst);
        auto parent = std::make_unique<QWidget>();
        QtLoadProgress progress;
        progress.start(parent.get(), QStringLiteral("Opening \"big.txt\"..."));
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        auto *dialog = parent->findChild<QProgressDialog *>(QStringLiteral("LoadProgress"));
        QVERIFY(dialog);
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QCOMPARE(dialog->labelText(), QStringLiteral("Opening \"big.txt\"..."));
        QVERIFY(dialog->findChild<QPushButton *>());
        QVERIFY(progress.report(1, 3));
        if (cancel)
            dialog->cancel();
        if (parentGoesFirst)
            parent.reset();
        QCOMPARE(progress.report(2, 3), !cancel);
        progress.finish();
        QVERIFY(!QGuiApplication::overrideCursor());
        if (parent)
            QVERIFY(!parent->findChild<QProgressDialog *>());
    }
};

QTEST_MAIN(QtLoadProgressTest)
#include "QtLoadProgressTest.moc"
