#include "platform/widgets/RichTextArea.h"
#include "TestCase.h"
#include "TestHelpers.h"
#include "Texts.h"
#include "engine/CodePage.h"
#include "platform/rtf/Rtf.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace quenzal;
using quenzal::test::everyCode;

namespace {

// Shows a control's text with its control characters spelled out, so that a
// failing comparison says what differs.
QByteArray visible(const QString &text)
{
    QString out;
    for (const QChar ch : text)
        out += ch.unicode() < 0x20 || (ch.unicode() >= 0x7F && ch.unicode() <= 0xA0) ||
                       ch.unicode() > 0xFF
                   ? QStringLiteral("<%1>").arg(ch.unicode(), 0, 16)
                   : QString(ch);
    return out.toUtf8();
}

#define COMPARE_TEXT(actual, expected) QCOMPARE(visible(actual), visible(expected))

void select(RichTextArea &area, int from, int to)
{
    test::select(&area, from, to);
}

} // namespace

class RichTextAreaTest : public quenzal::test::TestCase
{
    Q_OBJECT

    void initRow() override { QGuiApplication::clipboard()->clear(); }

private slots:

    void textIsExact_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("every code 1..255") << everyCode();
        QTest::newRow("lone CR") << QStringLiteral("a\rb");
        QTest::newRow("lone LF") << QStringLiteral("a\nb");
        QTest::newRow("CR LF") << QStringLiteral("a\r\nb");
        QTest::newRow("LF CR is two breaks") << QStringLiteral("a\n\rb");
        QTest::newRow("CR CR LF") << QStringLiteral("\r\r\n");
        QTest::newRow("breaks at both ends") << QStringLiteral("\nmiddle\r");
        QTest::newRow("only breaks") << QStringLiteral("\r\n\n\r\r\n");
        QTest::newRow("tab, vertical tab, form feed") << QStringLiteral("\t\v\f");
        QTest::newRow("no-break space and soft hyphen") << QStringLiteral("a\u00A0b\u00ADc");
        QTest::newRow("C1 controls") << QStringLiteral("\u0081\u008D\u008F\u0090\u009D");
        QTest::newRow("NUL") << QString(QChar(0)) + u'x';
        QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b");
        QTest::newRow("frame markers") << QStringLiteral("a\uFDD0b\uFDD1c");
        QTest::newRow("emoji") << QStringLiteral("\U0001F600");
        QString scrambledLike;
        for (int i = 0; i < 40; ++i)
            scrambledLike += everyCode();
        QTest::newRow("ten thousand codes") << scrambledLike;
        QTest::newRow("runs with no place to break a line")
            << QString(3000, u'x') + u'\r' + QString(1100, u'y') + u'\u200B' + QString(700, u'z');
    }

    void textIsExact()
    {
        QFETCH(QString, text);
        RichTextArea area;
        area.setText(text);
        COMPARE_TEXT(area.text(), text);
        // A second set replaces everything, breaks included.
        area.setText(text + u'\r');
        COMPARE_TEXT(area.text(), text + u'\r');
        // The same text made in two pieces, split in its middle (inside a
        // CR LF, say), as a file is read: the same lines.
        const int lines = area.document()->blockCount();
        RichTextArea::NewText made(area);
        made.append(QStringView(text).first(text.size() / 2));
        made.append(QStringView(text).sliced(text.size() / 2));
        made.show();
        COMPARE_TEXT(area.text(), text);
        QCOMPARE(area.document()->blockCount(), lines - 1);
    }

    void typedBreaksReadAsCrLf_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("Enter") << Qt::KeyboardModifiers(Qt::NoModifier);
        QTest::newRow("Shift+Enter") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    }

    void typedBreaksReadAsCrLf()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        RichTextArea area;
        QTest::keyClicks(&area, QStringLiteral("ab"));
        QTest::keyClick(&area, Qt::Key_Return, modifiers);
        QTest::keyClicks(&area, QStringLiteral("cd"));
        QTest::keyClick(&area, Qt::Key_Enter, modifiers);
        COMPARE_TEXT(area.text(), QStringLiteral("ab\r\ncd\r\n"));
    }

    void editingKeepsTheOtherBreaks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        // Enter at the start of a line: the LF still ends the line before it.
        QTest::newRow("Enter before a line that follows an LF")
            << QStringLiteral("a\nb\rc") << 2 << int(Qt::Key_Return)
            << QStringLiteral("a\n\r\nb\rc");
        QTest::newRow("Enter inside a line")
            << QStringLiteral("ab\rc") << 1 << int(Qt::Key_Return) << QStringLiteral("a\r\nb\rc");
        QTest::newRow("Backspace joins across an LF")
            << QStringLiteral("a\nb\rc") << 2 << int(Qt::Key_Backspace) << QStringLiteral("ab\rc");
        QTest::newRow("Delete joins across a CR")
            << QStringLiteral("a\nb\rc") << 3 << int(Qt::Key_Delete) << QStringLiteral("a\nbc");
        // The empty line's own break stays; the one after it goes.
        QTest::newRow("Backspace joins a line to an empty one")
            << QStringLiteral("x\n\rb") << 3 << int(Qt::Key_Backspace) << QStringLiteral("x\nb");
        QTest::newRow("Delete joins an empty line to the next")
            << QStringLiteral("x\n\rb") << 2 << int(Qt::Key_Delete) << QStringLiteral("x\nb");
        QTest::newRow("Enter on an empty line after a CR")
            << QStringLiteral("x\r\r\nb") << 2 << int(Qt::Key_Return)
            << QStringLiteral("x\r\r\n\r\nb");
        QTest::newRow("typing keeps the breaks")
            << QStringLiteral("a\nb\rc") << 3 << int(Qt::Key_X) << QStringLiteral("a\nbx\rc");
    }

    void editingKeepsTheOtherBreaks()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, key);
        QFETCH(QString, expected);
        RichTextArea area;
        area.setText(text);
        select(area, position, position);
        QTest::keyClick(&area, Qt::Key(key));
        COMPARE_TEXT(area.text(), expected);
    }

    // Random edits of texts made of letters and every kind of break, against
    // the same edit made on the string; each edit is then undone and redone.
    void editsUndoAndRedoKeepEveryBreak_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 4; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void editsUndoAndRedoKeepEveryBreak()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const QStringList atoms = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("\r"),
                                   QStringLiteral("\n"), QStringLiteral("\r\n")};
        const auto randomText = [&](int most) {
            QStringList tokens;
            for (int i = int(random.bounded(most)); i >= 0; --i)
                tokens << atoms.at(int(random.bounded(int(atoms.size()))));
            return tokens;
        };
        for (int round = 0; round < 250; ++round) {
            const QString before = randomText(8).join(QString());
            // A position holds a letter or a break, a CR LF counting as one.
            QStringList tokens;
            for (qsizetype i = 0; i < before.size(); ++i) {
                const bool crLf = before.sliced(i).startsWith(QLatin1String("\r\n"));
                tokens << before.sliced(i, crLf ? 2 : 1);
                i += crLf ? 1 : 0;
            }
            const int size = int(tokens.size());
            const int from = int(random.bounded(size + 1));
            const int to = from + int(random.bounded(size - from + 1));
            RichTextArea area;
            area.setText(before);
            select(area, from, to);
            QString inserted;
            int removeFrom = from, removeTo = to;
            switch (random.bounded(5)) {
            case 0:
                inserted = randomText(3).join(QString());
                QGuiApplication::clipboard()->setText(inserted);
                QTest::keyClick(&area, Qt::Key_V, Qt::ControlModifier);
                break;
            case 1:
                QTest::keyClick(&area, Qt::Key_Return);
                inserted = QStringLiteral("\r\n");
                break;
            case 2:
                QTest::keyClick(&area, Qt::Key_Backspace);
                if (from == to)
                    removeFrom = qMax(0, from - 1);
                break;
            case 3:
                QTest::keyClick(&area, Qt::Key_Delete);
                if (from == to)
                    removeTo = qMin(size, to + 1);
                break;
            default:
                area.replaceSelection(inserted = randomText(3).join(QString()));
                break;
            }
            const QString after = tokens.mid(0, removeFrom).join(QString()) + inserted +
                                  tokens.mid(removeTo).join(QString());
            COMPARE_TEXT(area.text(), after);
            area.undo();
            COMPARE_TEXT(area.text(), before);
            area.redo();
            COMPARE_TEXT(area.text(), after);
        }
    }

    void keyboardCopyAndCutAreExact_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to"); // -1: Ctrl+A
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("leftAfterCut");
        const QString all = everyCode() + QStringLiteral("\r\n\n\r");
        QTest::newRow("everything") << all << 0 << -1 << all << QString();
        // Positions count a break as one: a|\n|b|\r\n|c
        QTest::newRow("across an LF") << QStringLiteral("a\nb\r\nc") << 0 << 3
                                      << QStringLiteral("a\nb") << QStringLiteral("\r\nc");
        QTest::newRow("a CR LF alone") << QStringLiteral("a\nb\r\nc") << 3 << 4
                                       << QStringLiteral("\r\n") << QStringLiteral("a\nbc");
        QTest::newRow("no-break space stays") << QStringLiteral("x\u00A0y\r") << 0 << 3
                                              << QStringLiteral("x\u00A0y") << QStringLiteral("\r");
    }

    void keyboardCopyAndCutAreExact()
    {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, copied);
        QFETCH(QString, leftAfterCut);
        for (const bool cut : {false, true}) {
            RichTextArea area;
            area.setText(text);
            if (to < 0)
                QTest::keyClick(&area, Qt::Key_A, Qt::ControlModifier);
            else
                select(area, from, to);
            QTest::keyClick(&area, cut ? Qt::Key_X : Qt::Key_C, Qt::ControlModifier);
            COMPARE_TEXT(QGuiApplication::clipboard()->text(), copied);
            COMPARE_TEXT(area.text(), cut ? leftAfterCut : text);
        }
    }

    void keyboardPasteIsExact_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("at the caret")
            << QStringLiteral("a\nb") << 1 << 1 << QStringLiteral("\r1\r\n2\n")
            << QStringLiteral("a\r1\r\n2\n\nb");
        QTest::newRow("over a selection across a break")
            << QStringLiteral("a\nb\rc") << 1 << 3 << QStringLiteral("\u00A0\t")
            << QStringLiteral("a\u00A0\t\rc");
        QTest::newRow("every code into an empty area")
            << QString() << 0 << 0 << everyCode() << everyCode();
    }

    void keyboardPasteIsExact()
    {
        QFETCH(QString, before);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, pasted);
        QFETCH(QString, expected);
        RichTextArea area;
        area.setText(before);
        select(area, from, to);
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(&area, Qt::Key_V, Qt::ControlModifier);
        COMPARE_TEXT(area.text(), expected);
        // The caret follows the pasted text; a CR LF is one position.
        QCOMPARE(area.textCursor().position(),
                 from + int(pasted.size() - pasted.count(QStringLiteral("\r\n"))));
    }

    void copyThenPasteBetweenAreasIsExact()
    {
        RichTextArea from, to;
        from.setText(everyCode());
        to.setText(QStringLiteral("\r"));
        QTest::keyClick(&from, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&from, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&to, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&to, Qt::Key_V, Qt::ControlModifier);
        COMPARE_TEXT(to.text(), QStringLiteral("\r") + everyCode());
    }

    void pastedRichTextArrivesAsItsPlainText()
    {
        RichTextArea area;
        auto *mime = new QMimeData;
        mime->setHtml(QStringLiteral("<b>bold</b>"));
        mime->setText(QStringLiteral("bold\r"));
        QGuiApplication::clipboard()->setMimeData(mime);
        QTest::keyClick(&area, Qt::Key_V, Qt::ControlModifier);
        COMPARE_TEXT(area.text(), QStringLiteral("bold\r"));
        QVERIFY(!area.textCursor().charFormat().font().bold());
    }

    void replaceSelection()
    {
        RichTextArea area;
        area.setText(QStringLiteral("one\ntwo"));
        select(area, 1, 5);
        area.replaceSelection(QStringLiteral("X\rY"));
        COMPARE_TEXT(area.text(), QStringLiteral("oX\rYwo"));
        select(area, 0, 0);
        area.replaceSelection(QString());
        COMPARE_TEXT(area.text(), QStringLiteral("oX\rYwo"));
    }

    // The area breaks up long runs for the layout's sake; what it gives back
    // is the text as it was, through paste, undo, redo and rich text.
    void longRunsStayExact()
    {
        const QString run = QString(2000, u'x') + u'\u200B' + QString(900, u'y');
        RichTextArea area;
        area.setText(QStringLiteral("a\rb"));
        select(area, 1, 1);
        area.replaceSelection(run + u'\n' + run);
        const QString pasted = u'a' + run + u'\n' + run + QStringLiteral("\rb");
        COMPARE_TEXT(area.text(), pasted);
        COMPARE_TEXT(area.textBetween(0, 600), u'a' + run.first(598)); // one soft break
        area.undo();
        COMPARE_TEXT(area.text(), QStringLiteral("a\rb"));
        area.redo();
        COMPARE_TEXT(area.text(), pasted);
        RichTextArea reread;
        QVERIFY(reread.loadRichText(area.richText()).ok());
        COMPARE_TEXT(reread.text(), pasted);
        // Enter just after a soft break is a line break like any other.
        select(area, 514, 514);
        QTest::keyClick(&area, Qt::Key_Return);
        COMPARE_TEXT(area.text(), QString(pasted).insert(513, QStringLiteral("\r\n")));
    }

    // The area splits a long line into blocks for the layout's sake; its
    // text comes back whole through paste, undo and redo, and the rich text
    // it saves has the paragraph whole, with its format.
    void longLinesStayExact()
    {
        const QString line = QStringLiteral("word ").repeated(40'000);
        RichTextArea area;
        area.setText(QStringLiteral("a\r\nb"));
        select(area, 1, 1);
        area.replaceSelection(line);
        QVERIFY(area.document()->blockCount() > 2);
        const QString pasted = u'a' + line + QStringLiteral("\r\nb");
        COMPARE_TEXT(area.text(), pasted);
        area.undo();
        COMPARE_TEXT(area.text(), QStringLiteral("a\r\nb"));
        area.redo();
        COMPARE_TEXT(area.text(), pasted);

        RichTextArea opened;
        QVERIFY(
            opened.loadRichText("{\\rtf1\\ansi\\qc\\fi300 " + line.toLatin1() + "\\par b}").ok());
        QVERIFY(opened.document()->blockCount() > 2);
        COMPARE_TEXT(opened.text(), line + QStringLiteral("\r\nb"));
        const auto saved = rtf::read(opened.richText());
        QVERIFY(saved.ok());
        QCOMPARE(saved.value()->blockCount(), 2);
        const QTextBlockFormat format = saved.value()->firstBlock().blockFormat();
        QCOMPARE(format.alignment(), Qt::AlignHCenter);
        QCOMPARE(format.textIndent(), 20.0);
    }

    void picturesHaveNoPlainText()
    {
        RichTextArea area;
        area.setText(QStringLiteral("a\u00A0b"));
        QTextCursor cursor(area.document());
        cursor.setPosition(1);
        QTextImageFormat image;
        image.setName(QStringLiteral("picture"));
        cursor.insertImage(image);
        COMPARE_TEXT(area.text(), QStringLiteral("a\u00A0b"));
    }

    void reportsEveryMouseButtonPressed()
    {
        RichTextArea area;
        area.resize(200, 100);
        QSignalSpy spy(&area, &RichTextArea::mouseDown);
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            QTest::mousePress(area.viewport(), button, Qt::ShiftModifier, QPoint(10, 10));
        QCOMPARE(spy.size(), 3);
        QCOMPARE(spy.at(1).at(0).value<Qt::MouseButton>(), Qt::RightButton);
        QCOMPARE(spy.at(1).at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
        QCOMPARE(spy.at(1).at(2).toPoint(), QPoint(10, 10));
    }
};

QTEST_MAIN(RichTextAreaTest)
#include "RichTextAreaTest.moc"
