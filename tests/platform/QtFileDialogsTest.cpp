// The real file dialogs' set-up, without showing them.
#include "TestCase.h"
#include "platform/qt/QtServices.h"

#include <QTest>

using namespace quenzal;

class QtFileDialogsTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void setUp_data()
    {
        QTest::addColumn<QFileDialog::AcceptMode>("mode");
        QTest::addColumn<QFileDialog::FileMode>("fileMode");
        QTest::newRow("Open") << QFileDialog::AcceptOpen << QFileDialog::ExistingFile;
        QTest::newRow("Save") << QFileDialog::AcceptSave << QFileDialog::AnyFile;
    }

    void setUp()
    {
        QFETCH(QFileDialog::AcceptMode, mode);
        QFETCH(QFileDialog::FileMode, fileMode);
        const QStringList filters = {QStringLiteral("Text Files (*.txt)"),
                                     QStringLiteral("Rich Text Format (*.rtf)")};
        QFileDialog dialog;
        const QFileDialog::Options before = dialog.options();
        setUpFileDialog(dialog, mode, filters);
        QCOMPARE(dialog.acceptMode(), mode);
        QCOMPARE(dialog.fileMode(), fileMode);
        // Replacing a file asks nothing; no other option is set.
        QCOMPARE(dialog.options(), before | QFileDialog::DontConfirmOverwrite);
        QVERIFY(dialog.defaultSuffix().isEmpty());
        QCOMPARE(dialog.nameFilters(), filters);
        QCOMPARE(dialog.selectedNameFilter(), filters.first());
    }
};

QTEST_MAIN(QtFileDialogsTest)
#include "QtFileDialogsTest.moc"
