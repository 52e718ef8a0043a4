#include "platform/widgets/Centring.h"
#include "TestCase.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

using namespace quenzal;

class CentringTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void position_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<int>("rule");
        QTest::addColumn<QPointF>("twips");
        QTest::addColumn<QPoint>("pixels");
        const int halves = int(CentringRule::HalvesFirst);
        const int difference = int(CentringRule::DifferenceFirst);
        QTest::newRow("even differences") << QSize(1024, 768) << QSize(520, 458) << halves
                                          << QPointF(3780, 2325) << QPoint(252, 155);
        // 1024 - 519 = 505: half a pixel (7.5 twips) is kept in twips, rounded up in pixels.
        QTest::newRow("odd difference keeps its half")
            << QSize(1024, 768) << QSize(519, 457) << halves << QPointF(3787.5, 2332.5)
            << QPoint(253, 156);
        QTest::newRow("difference first") << QSize(1024, 768) << QSize(277, 222) << difference
                                          << QPointF(5602.5, 4095) << QPoint(374, 273);
        QTest::newRow("window wider than the screen overhangs both sides")
            << QSize(400, 300) << QSize(520, 458) << halves << QPointF(-900, -1185)
            << QPoint(-60, -79);
    }

    void position()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QFETCH(int, rule);
        QFETCH(QPointF, twips);
        QFETCH(QPoint, pixels);
        QCOMPARE(centredPositionTwips(screen, window, CentringRule(rule)), twips);
        QCOMPARE(centredPosition(screen, window, CentringRule(rule)), pixels);
    }

    void centresAWindowByItsOuterSize()
    {
        QWidget window;
        window.setFixedSize(300, 200);
        centreOnScreen(&window, CentringRule::HalvesFirst);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(window.frameGeometry().topLeft(),
                 centredPosition(screen.size(), window.frameGeometry().size(),
                                 CentringRule::HalvesFirst));
    }

    void aLaterShowDoesNotMoveTheWindow()
    {
        QWidget window;
        window.setFixedSize(300, 200);
        centreOnScreen(&window, CentringRule::HalvesFirst);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.move(10, 20);
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.pos(), QPoint(10, 20));
    }
};

QTEST_MAIN(CentringTest)
#include "CentringTest.moc"
