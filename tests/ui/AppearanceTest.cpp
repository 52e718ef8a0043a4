#include "EveryWindow.h"
#include "TestCase.h"
#include "platform/widgets/Readability.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>

#include <cmath>

using namespace quenzal;
using namespace quenzal::test;

namespace {

// Where a control can show its text: a button inside its frame, a label in
// the part of it that lies inside its window.
QRectF textRoom(QWidget *control)
{
    if (auto *button = qobject_cast<QPushButton *>(control))
        return buttonTextRoom(button);
    const QRect inWindow =
        control->rect() &
        QRect(control->mapFrom(control->window(), QPoint(0, 0)), control->window()->size());
    return inWindow & control->contentsRect();
}

QString words(const QString &text)
{
    QString shown = text;
    return shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// The lines a text takes in a width, broken between words only; empty when a
// word alone is too wide.
QStringList wrapped(const QFontMetricsF &metrics, const QString &text, qreal width, bool wrap)
{
    QStringList lines;
    for (const QString &paragraph : text.split(u'\n')) {
        if (!wrap) {
            lines << paragraph;
            continue;
        }
        QString line;
        for (const QString &word : paragraph.split(u' ')) {
            const QString longer = line.isEmpty() ? word : line + u' ' + word;
            if (metrics.horizontalAdvance(longer) <= width || line.isEmpty()) {
                line = longer;
                continue;
            }
            lines << line;
            line = word;
        }
        lines << line;
    }
    return lines;
}

// WCAG's contrast ratio of two colours.
qreal luminance(QColor colour)
{
    const auto channel = [](qreal c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

qreal contrast(QColor a, QColor b)
{
    const qreal la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Light, QColor(80, 80, 80));
    dark.setColor(QPalette::Midlight, QColor(66, 66, 66));
    dark.setColor(QPalette::Mid, QColor(40, 40, 40));
    dark.setColor(QPalette::Dark, QColor(25, 25, 25));
    dark.setColor(QPalette::Shadow, QColor(0, 0, 0));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    return dark;
}

} // namespace

// How every window looks at the scale and with the fonts this run has
// (CTest runs it at several QT_SCALE_FACTOR values, with and without the
// Liberation fonts), and in a light and a dark palette.
class AppearanceTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:

    void textsShowWhole_data() { addWindowRows(); }

    void textsShowWhole()
    {
        QFETCH(QString, window);
        EveryWindow windows;
        QWidget *form = windows.open(window);
        QVERIFY(form);
        int measured = 0;
        for (QWidget *control : form->findChildren<QWidget *>()) {
            QString text;
            bool wrap = false;
            if (auto *label = qobject_cast<QLabel *>(control)) {
                text = label->text();
                wrap = label->wordWrap();
            } else if (auto *button = qobject_cast<QPushButton *>(control)) {
                text = button->text();
            }
            if (text.isEmpty() || control->isWindow() || control->isHidden())
                continue;
            ++measured;
            const QFontMetricsF metrics(control->font(), control);
            const QRectF room = textRoom(control);
            // A label breaks its lines at its own width, which may reach past its window.
            const qreal wrapWidth = qobject_cast<QLabel *>(control)
                                        ? qreal(control->contentsRect().width())
                                        : room.width();
            const QStringList lines = wrapped(metrics, words(text), wrapWidth, wrap);
            const QString what = control->objectName() + u' ' + control->font().family() + u' ' +
                                 QFontInfo(control->font()).family();
            for (const QString &line : lines)
                QVERIFY2(metrics.horizontalAdvance(line) <= room.width(),
                         qPrintable(what + QStringLiteral(": \"%1\" is %2 wide in %3")
                                               .arg(line)
                                               .arg(metrics.horizontalAdvance(line))
                                               .arg(room.width())));
            const qreal height = qreal(lines.size() - 1) * metrics.lineSpacing() + metrics.height();
            QVERIFY2(height <= room.height() + 1,
                     qPrintable(what + QStringLiteral(": %1 lines are %2 high in %3")
                                           .arg(lines.size())
                                           .arg(height)
                                           .arg(room.height())));
        }
        QVERIFY(measured > 0);
    }

    void ownColoursReadable_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("light"); // its colour in a light palette, exactly
        QTest::newRow("About, web address") << "frmAbout"
                                            << "Label4" << QColor(0, 0, 192);
        QTest::newRow("About, copyright") << "frmAbout"
                                          << "Label8" << QColor(0, 0, 0);
        QTest::newRow("main, rule") << "frmMAIN"
                                    << "Line1" << QColor(0, 0, 0);
    }

    void ownColoursReadable()
    {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QColor, light);
        EveryWindow windows;
        QWidget *form = windows.open(window);
        QVERIFY(form);
        auto *widget = control<QWidget>(form, qPrintable(name));
        QVERIFY(widget);
        const QPalette lightPalette = QApplication::palette();
        const auto colours = [&] {
            return std::pair(widget->palette().color(QPalette::WindowText),
                             widget->parentWidget()->palette().color(QPalette::Window));
        };
        QCOMPARE(colours().first, light);
        QVERIFY(contrast(colours().first, colours().second) >= 4.5);

        QApplication::setPalette(darkPalette());
        QCoreApplication::sendPostedEvents();
        const auto [dark, behind] = colours();
        QApplication::setPalette(lightPalette);
        QCoreApplication::sendPostedEvents();
        QVERIFY2(contrast(dark, behind) >= 4.5,
                 qPrintable(QStringLiteral("%1 on %2").arg(dark.name(), behind.name())));
        // Back in the light palette, exactly as it was.
        QCOMPARE(colours().first, light);
    }

    // Every picture is drawn at least as large as this scale shows it, so it is
    // never blown up; the mask colour stays transparent at every size.
    void picturesSharp_data()
    {
        QTest::addColumn<QString>("key"); // a toolbar button's, or empty for the program icon
        QTest::addColumn<int>("size");    // as shown, in logical pixels
        for (const char *key : {"openfile", "savefile", "scramble", "unscramble", "copy", "paste"})
            QTest::newRow(key) << QString::fromLatin1(key) << 32;
        QTest::newRow("program icon, title bar") << QString() << 16;
        QTest::newRow("program icon, About box") << QString() << 32;
    }

    void picturesSharp()
    {
        QFETCH(QString, key);
        QFETCH(int, size);
        EveryWindow windows;
        QWidget *form = windows.open(QStringLiteral("frmMAIN"));
        QVERIFY(form);
        QIcon icon = form->windowIcon();
        for (QAction *action : control<QToolBar>(form, "Toolbar1")->actions())
            if (!key.isEmpty() && action->data().toString() == key)
                icon = action->icon();
        const qreal scale = form->devicePixelRatioF();
        int largest = 0;
        for (const QSize drawn : icon.availableSizes())
            largest = std::max(largest, drawn.width());
        QVERIFY2(largest >= size * scale, qPrintable(QString::number(largest)));
        const QImage shown = icon.pixmap(QSize(size, size), scale).toImage();
        QCOMPARE(shown.size(), QSize(size, size) * scale);
        if (!key.isEmpty())
            QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    }

    // The rule under the buttons and the text areas' borders show as lines at
    // every scale: along each, every column of device pixels has one that
    // stands out from the window and from the areas' white.
    void linesVisible_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bottom"); // the control's bottom edge, else its top
        QTest::newRow("rule") << "Line1" << false;
        QTest::newRow("upper area, top") << "rtfOriginal" << false;
        QTest::newRow("upper area, bottom") << "rtfOriginal" << true;
        QTest::newRow("lower area, top") << "rtfNew" << false;
        QTest::newRow("lower area, bottom") << "rtfNew" << true;
    }

    void linesVisible()
    {
        QFETCH(QString, name);
        QFETCH(bool, bottom);
        EveryWindow windows;
        QWidget *form = windows.open(QStringLiteral("frmMAIN"));
        QVERIFY(form);
        auto *line = control<QWidget>(form, qPrintable(name));
        QVERIFY(line);
        const QImage shot = form->grab().toImage();
        const qreal scale = shot.devicePixelRatio();
        const QRect rect = line->geometry().translated(line->parentWidget()->mapTo(form, QPoint()));
        const int edge = bottom ? rect.bottom() : rect.top();
        const int from = int(std::floor(edge * scale)), to = int(std::ceil((edge + 1) * scale));
        // Past the rounded corners of a frame.
        const int left = int(std::ceil((rect.left() + 4) * scale));
        const int right = int((rect.right() - 3) * scale);
        int drawn = 0;
        for (int x = left; x < right; ++x) {
            bool dark = false;
            for (int y = from; y < to; ++y)
                dark = dark || qGray(shot.pixel(x, y)) < 200;
            drawn += dark;
        }
        QVERIFY2(drawn == right - left,
                 qPrintable(QStringLiteral("%1 of %2 columns drawn at scale %3")
                                .arg(drawn)
                                .arg(right - left)
                                .arg(scale)));
    }
};

QTEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
