#include "EveryWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <cmath>

using namespace quenzal;
using namespace quenzal::test;

namespace {

const char *const kWindows[] = {"frmMAIN", "frmPassSet", "frmLogin", "frmChangePass", "frmAbout"};

void addWindowRows()
{
    QTest::addColumn<QString>("window");
    for (const char *window : kWindows)
        QTest::newRow(window) << QString::fromLatin1(window);
}

// Where a control can show its text: a button inside its frame, a label in
// the part of it that lies inside its window.
QRectF textRoom(QWidget *control)
{
    if (auto *button = qobject_cast<QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        if (button->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (button->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
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
class AppearanceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QTest::failOnWarning(
            QRegularExpression(QStringLiteral("^(?!This plugin does not support)")));
    }

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
            const qreal height = (lines.size() - 1) * metrics.lineSpacing() + metrics.height();
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
        QWidget *widget = control<QWidget>(form, qPrintable(name));
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

    // The rule under the buttons shows as a line at every scale.
    void ruleVisible()
    {
        EveryWindow windows;
        QWidget *form = windows.open(QStringLiteral("frmMAIN"));
        QVERIFY(form);
        auto *line = control<QFrame>(form, "Line1");
        QVERIFY(line);
        const QImage shot = form->grab().toImage();
        const qreal scale = shot.devicePixelRatio();
        const QRect rule = line->geometry().translated(line->parentWidget()->mapTo(form, QPoint()));
        // Every column of device pixels along the rule has a dark one.
        int drawn = 0, length = 0;
        for (int x = int(std::ceil(rule.left() * scale)); x < int((rule.right() + 1) * scale);
             ++x) {
            ++length;
            bool dark = false;
            for (int y = int(rule.top() * scale); y < int(std::ceil((rule.bottom() + 1) * scale));
                 ++y)
                dark = dark || qGray(shot.pixel(x, y)) < 64;
            drawn += dark;
        }
        QVERIFY2(drawn == length, qPrintable(QStringLiteral("%1 of %2 columns drawn at scale %3")
                                                 .arg(drawn)
                                                 .arg(length)
                                                 .arg(scale)));
    }
};

QTEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
