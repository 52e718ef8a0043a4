#include "ui/info/frmAbout.h"
#include "FakeServices.h"
#include "TestCase.h"
#include "TestHelpers.h"
#include "platform/widgets/Centring.h"
#include "platform/widgets/ProgramIcon.h"
#include "platform/widgets/Twips.h"
#include "ui/info/WebLinks.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace quenzal;
using namespace quenzal::test;

class frmAboutTest : public quenzal::test::TestCase
{
    Q_OBJECT

    FakeServices m_fakes;

    static QList<QWidget *> aboutBoxes()
    {
        QList<QWidget *> boxes;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmAbout"))
                boxes.append(w);
        return boxes;
    }

    // Runs the deletions that closing scheduled.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    static QPoint centred(const QWidget *box)
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        return screen.topLeft() + centredPosition(screen.size(), box->frameGeometry().size(),
                                                  CentringRule::DifferenceFirst);
    }

    static QImage picture(const QPixmap &pixmap)
    {
        return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    }

private slots:
    void cleanup()
    {
        for (QWidget *box : aboutBoxes())
            delete box;
        m_fakes.shell.calls.clear();
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("family");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("colour"); // invalid: the system's

        const QString sans = QStringLiteral("MS Sans Serif");
        const QString label = QStringLiteral("QLabel");
        const QColor system;
        QTest::newRow("imgsei") << "imgsei" << label << QString() << QRect(120, 360, 480, 480)
                                << sans << 8.25 << false << system;
        QTest::newRow("Label5") << "Label5" << label << "Quenzal" << QRect(840, 240, 3855, 495)
                                << "Arial" << 12.0 << true << system;
        QTest::newRow("Label2") << "Label2" << label << "Quenzal" << QRect(840, 960, 3495, 255)
                                << sans << 8.25 << false << system;
        QTest::newRow("Label3") << "Label3" << label << "Version 1.2" << QRect(840, 1200, 1335, 255)
                                << sans << 8.25 << false << system;
        QTest::newRow("Label4") << "Label4" << label
                                << webLinkAddress(WebLink::MakerHome).toString()
                                << QRect(840, 1440, 3375, 255) << sans << 8.25 << false
                                << QColor(0, 0, 192);
        QTest::newRow("cmdOK") << "cmdOK"
                               << "QPushButton"
                               << "&OK" << QRect(1320, 1800, 1380, 345) << sans << 8.25 << false
                               << system;
        QTest::newRow("Label8") << "Label8" << label
                                << "Copyright \u00a9 Brindlecove.\nAll rights reserved."
                                << QRect(480, 2400, 3255, 375) << sans << 8.25 << false
                                << QColor(0, 0, 0);
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(QString, family);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        QFETCH(QColor, colour);

        frmAbout box(m_fakes.shell);
        auto *widget = control<QWidget>(&box, qPrintable(name));
        QVERIFY(widget);
        QCOMPARE(QLatin1String(widget->metaObject()->className()), kind);
        QCOMPARE(widget->parentWidget(), &box);
        QCOMPARE(widget->geometry(),
                 twipsRect(twips.left(), twips.top(), twips.width(), twips.height()));
        QCOMPARE(widget->property("text").toString(), caption);
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().bold(), bold);
        if (colour.isValid())
            QCOMPARE(widget->palette().color(QPalette::WindowText), colour);
    }

    void window()
    {
        frmAbout box(m_fakes.shell);
        QCOMPARE(box.windowTitle(), QStringLiteral("About Quenzal"));
        QCOMPARE(box.parentWidget(), nullptr);
        QCOMPARE(box.windowType(), Qt::Dialog);
        QVERIFY(!box.isModal());
        // Fixed dialog frame with a close button only.
        const Qt::WindowFlags flags = box.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(box.size(), QSize(pixels(4125), pixels(3015)));
        QCOMPARE(box.minimumSize(), box.size());
        QCOMPARE(box.maximumSize(), box.size());
        QCOMPARE(picture(box.windowIcon().pixmap(32)), picture(programIcon().pixmap(32)));
        // OK is both the default and the cancel button (Esc: see closes()).
        auto *cmdOK = control<QPushButton>(&box, "cmdOK");
        QVERIFY(cmdOK);
        QVERIFY(cmdOK->isDefault());
    }

    void pictureIsTheProgramIcon()
    {
        frmAbout box(m_fakes.shell);
        auto *imgsei = control<QLabel>(&box, "imgsei");
        QVERIFY(imgsei);
        QCOMPARE(picture(imgsei->pixmap()), picture(programIcon().pixmap(QSize(32, 32))));
    }

    void addressHasTheHandPointerAndATip()
    {
        frmAbout box(m_fakes.shell);
        auto *Label4 = control<QLabel>(&box, "Label4");
        QVERIFY(Label4);
        QCOMPARE(Label4->toolTip(), QStringLiteral("Brindlecove"));
        QVERIFY(Label4->testAttribute(Qt::WA_SetCursor));
        const QCursor hand = Label4->cursor();
        QCOMPARE(hand.shape(), Qt::BitmapCursor);
        QCOMPARE(hand.hotSpot(), QPoint(12, 1));
        QCOMPARE(hand.pixmap().size(), QSize(32, 32));
        // The fingertip is the hot spot: a drawn pixel with nothing above it.
        const QImage image = hand.pixmap().toImage();
        QCOMPARE(qAlpha(image.pixel(12, 1)), 255);
        QCOMPARE(qAlpha(image.pixel(12, 0)), 0);
        // Only over the label: the box and its other controls keep the usual pointer.
        for (const char *name : {"Label2", "Label8", "cmdOK"}) {
            const QWidget *other = control<QWidget>(&box, name);
            QVERIFY(other);
            QVERIFY2(!other->testAttribute(Qt::WA_SetCursor), name);
        }
        QVERIFY(!box.testAttribute(Qt::WA_SetCursor));
    }

    void noticeTakesTwoLinesThatFit()
    {
        frmAbout box(m_fakes.shell);
        auto *Label8 = control<QLabel>(&box, "Label8");
        QVERIFY(Label8);
        const QStringList lines = Label8->text().split(u'\n');
        QCOMPARE(lines.size(), 2);
        const QFontMetrics metrics(Label8->font());
        for (const QString &line : lines)
            QVERIFY2(metrics.horizontalAdvance(line) <= Label8->width(), qPrintable(line));
    }

    void closes_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("OK clicked") << 0;
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("close button") << -1;
    }

    void closes()
    {
        QFETCH(int, how);
        QPointer<frmAbout> box = showAboutBox(m_fakes.services());
        QVERIFY(QTest::qWaitForWindowExposed(box));
        if (how == 0)
            QTest::mouseClick(control<QPushButton>(box, "cmdOK"), Qt::LeftButton);
        else if (how == -1)
            box->close();
        else
            QTest::keyClick(box, Qt::Key(how));
        const frmAbout *closed = box.data();
        QVERIFY(!closed || closed->isHidden());
        settle();
        QVERIFY2(box.isNull(), "a closed About box is destroyed");
        QVERIFY(aboutBoxes().isEmpty());
        QVERIFY(m_fakes.shell.calls.isEmpty());
    }

    void opensOnceAndStaysWhereItIs()
    {
        frmAbout *first = showAboutBox(m_fakes.services());
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QCOMPARE(first->frameGeometry().topLeft(), centred(first));
        QVERIFY(!first->isModal());

        const QPoint moved = first->pos() + QPoint(-37, 23);
        first->move(moved);
        QCOMPARE(showAboutBox(m_fakes.services()), first);
        QCOMPARE(aboutBoxes().size(), 1);
        QCOMPARE(first->pos(), moved); // not centred again
        QVERIFY(first->isVisible());
    }

    void reopensAfreshAndCentred()
    {
        QPointer<frmAbout> first = showAboutBox(m_fakes.services());
        QVERIFY(QTest::qWaitForWindowExposed(first));
        first->move(first->pos() + QPoint(50, 40));
        QTest::keyClick(first, Qt::Key_Escape);
        // Opened again before the closed box is gone: still a new one.
        frmAbout *second = showAboutBox(m_fakes.services());
        QVERIFY(second != first.data());
        settle();
        QVERIFY(first.isNull());
        QCOMPARE(aboutBoxes(), QList<QWidget *>{second});
        QVERIFY(QTest::qWaitForWindowExposed(second));
        QCOMPARE(second->frameGeometry().topLeft(), centred(second));
    }

    // A left click on the address opens the page it shows; other buttons do nothing.
    void addressClickOpensTheAddressShown()
    {
        frmAbout *box = showAboutBox(m_fakes.services());
        auto *Label4 = control<QLabel>(box, "Label4");
        QVERIFY(Label4);
        QTest::mouseClick(Label4, Qt::RightButton);
        QTest::mouseClick(Label4, Qt::MiddleButton);
        QCOMPARE(m_fakes.shell.calls.size(), 0);
        QTest::mouseClick(Label4, Qt::LeftButton);
        QCOMPARE(m_fakes.shell.calls.size(), 1);
        QCOMPARE(m_fakes.shell.calls[0].address.toString(), Label4->text());
        QCOMPARE(m_fakes.shell.calls[0].owner, box);
        QVERIFY(box->isVisible()); // the box stays open
    }
};

QTEST_MAIN(frmAboutTest)
#include "frmAboutTest.moc"
