#include "platform/widgets/RichTextArea.h"
#include "ScratchFolder.h"
#include "TestCase.h"
#include "TestHelpers.h"
#include "Texts.h"
#include "engine/CodePage.h"
#include "platform/rtf/ExactText.h"
#include "platform/rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <map>
#include <utility>

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

    // The area shows deep and large tables as paragraphs and pictures
    // that quenzal-cli does not even decode: its text is the same.
    void openedTextIsTheCommandLineText_data()
    {
        QTest::addColumn<QByteArray>("document");
        for (const char *folder : {QUENZAL_RTF_CORPUS, QUENZAL_FUZZ_CORPUS}) {
            const QDir corpus(QString::fromUtf8(folder));
            for (const QString &name : corpus.entryList(QDir::Files)) {
                if (!name.endsWith(u".txt") && !name.endsWith(u".md") && !name.endsWith(u".tsv"))
                    QTest::newRow(qPrintable(name)) << test::contentsOf(corpus.filePath(name));
            }
        }
        QTest::newRow("tables nested 5 deep")
            << QByteArray(R"({\rtf1 x\par\pard\intbl\itap5 a\nestcell b\nestcell\nestrow)"
                          R"(\pard\intbl\itap4 c\nestcell\nestrow\pard y})");
        QTest::newRow("exactly the cells the area shows as tables, 4 a row")
            << "{\\rtf1 " +
                   QByteArray("\\trowd\\intbl a\\cell b\\cell c\\cell d\\cell\\row\n")
                       .repeated(2'500) +
                   "}";
    }

    void openedTextIsTheCommandLineText()
    {
        QFETCH(QByteArray, document);
        RichTextArea area;
        rtf::ReadOptions textOnly; // as quenzal-cli reads
        textOnly.decodePictures = false;
        const auto read = rtf::read(document, textOnly);
        const auto opened = area.loadRichText(document);
        QCOMPARE(opened.ok(), read.ok());
        if (read.ok())
            COMPARE_TEXT(area.text(), rtf::exactText(*read.value()));
    }

    // The soft breaks have no text, and no press, input method or copy
    // finds them. A script: > Right, < Left, ) Ctrl+Right, S Shift+Right,
    // D Delete, B Backspace, +c types c, ~c an input method commits c,
    // L a triple click at the top left, C Ctrl+C. `expected` is the text
    // afterwards, or what a script that copies copied.
    void softBreaksLeaveNoTrace_data()
    {
        QTest::addColumn<QString>("content"); // plain text, or rich text
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        // A soft break follows the 512th character: a*512 | b*512.
        const QString run = QString(512, u'a') + QString(512, u'b');
        const QString lessA = QString(511, u'a') + QString(512, u'b');
        const QString lessB = QString(512, u'a') + QString(511, u'b');
        QTest::newRow("typed after a soft break") << run << 513 << 513 << QStringLiteral("+\u200B")
                                                  << QString(run).insert(512, u'\u200B');
        QTest::newRow("committed after a soft break")
            << run << 513 << 513 << QStringLiteral("~\u200B")
            << QString(run).insert(512, u'\u200B');
        QTest::newRow("a mark typed after a soft break goes on the letter before it")
            << run << 513 << 513 << QStringLiteral("+\u0301<D") << lessA;
        QTest::newRow("Right across a soft break")
            << run << 512 << 512 << QStringLiteral(">B") << lessB;
        QTest::newRow("Left across a soft break")
            << run << 513 << 513 << QStringLiteral("<D") << lessA;
        QTest::newRow("Delete before a soft break")
            << run << 512 << 512 << QStringLiteral("D") << lessB;
        QTest::newRow("Backspace after a soft break")
            << run << 513 << 513 << QStringLiteral("B") << lessA;
        QTest::newRow("Shift+Right across a soft break")
            << run << 512 << 512 << QStringLiteral("SC") << QStringLiteral("b");
        // A soft block break follows the 65,540th character.
        const QString words = QStringLiteral("word ").repeated(13'108);
        const QString line = words + QStringLiteral("next ").repeated(100);
        const int end = int(words.size());
        QTest::newRow("Right across a soft block break")
            << line << end << end << QStringLiteral(">B") << QString(line).remove(end, 1);
        QTest::newRow("Left across a soft block break")
            << line << end + 1 << end + 1 << QStringLiteral("<D")
            << QString(line).remove(end - 1, 1);
        QTest::newRow("Delete before a soft block break")
            << line << end << end << QStringLiteral("D") << QString(line).remove(end, 1);
        QTest::newRow("Backspace after a soft block break")
            << line << end + 1 << end + 1 << QStringLiteral("B")
            << QString(line).remove(end - 1, 1);
        QTest::newRow("Ctrl+Right across a soft block break")
            << line << end << end << QStringLiteral(")B") << QString(line).remove(end + 4, 1);
        QTest::newRow("a triple click selects the whole line")
            << line << 0 << 0 << QStringLiteral("LC") << line;
        // A soft break never parts a grapheme: Right crosses it whole. (A
        // negative position counts characters from the end.)
        const QString x = QString(511, u'x');
        const QString tail = QString(600, u'y');
        QTest::newRow("surrogate pairs at a soft break")
            << x + QStringLiteral("\U0001F1EB\U0001F1F7") + tail << 511 << 511
            << QStringLiteral(">B") << x + QStringLiteral("\U0001F1EB") + tail;
        QTest::newRow("combining mark at a soft break")
            << x + QStringLiteral("e\u0301") + tail << 511 << 511 << QStringLiteral(">B")
            << x + u'e' + tail;
        const QString longRun = QString(65'535, u'x');
        QTest::newRow("combining mark on a space at a soft block break")
            << longRun + QStringLiteral(" \u0301") + tail.first(100) << -102 << -102
            << QStringLiteral(">B") << longRun + u' ' + tail.first(100);
        const QString rich = QStringLiteral("{\\rtf1\\ansi %1}");
        QTest::newRow("surrogate pair at a soft break in rich text")
            << rich.arg(x + QStringLiteral("\\u-10179?\\u-8704?") + tail) << 511 << 511
            << QStringLiteral(">B") << x + tail;
        const QString longLine = QStringLiteral("word ").repeated(13'107) + u' ';
        QTest::newRow("combining mark at a soft block break in rich text")
            << rich.arg(longLine + QStringLiteral("\\u769?") + tail) << 65'535 << 65'535
            << QStringLiteral(">B") << longLine + tail;
        QTest::newRow("a rectangle of table cells")
            << QStringLiteral("{\\rtf1\\ansi \\trowd\\cellx1000\\cellx2000\\intbl ") +
                   QString(1000, u'x') + QStringLiteral("\\cell\\intbl a\\line b\\cell\\row}")
            << 5 << 1003 << QStringLiteral("C")
            << QString(1000, u'x') + QStringLiteral("\r\na\r\nb\r\n");
    }

    void softBreaksLeaveNoTrace()
    {
        QFETCH(QString, content);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, script);
        QFETCH(QString, expected);
        RichTextArea area;
        if (content.startsWith(QLatin1String("{\\rtf")))
            QVERIFY(area.loadRichText(content.toLatin1()).ok());
        else
            area.setText(content);
        const int end = area.document()->characterCount() - 1;
        const auto position = [&](int at) {
            for (int back = end; at < 0; --back) {
                if (area.textBetween(back, end).size() == -at)
                    return back;
            }
            return at;
        };
        select(area, position(from), position(to));
        const std::map<char16_t, std::pair<Qt::Key, Qt::KeyboardModifiers>> presses = {
            {u'>', {Qt::Key_Right, Qt::NoModifier}},
            {u'<', {Qt::Key_Left, Qt::NoModifier}},
            {u')', {Qt::Key_Right, Qt::ControlModifier}},
            {u'S', {Qt::Key_Right, Qt::ShiftModifier}},
            {u'D', {Qt::Key_Delete, Qt::NoModifier}},
            {u'B', {Qt::Key_Backspace, Qt::NoModifier}},
            {u'C', {Qt::Key_C, Qt::ControlModifier}}};
        for (qsizetype i = 0; i < script.size(); ++i) {
            const char16_t command = script[i].unicode();
            if (const auto press = presses.find(command); press != presses.end()) {
                QTest::keyClick(&area, press->second.first, press->second.second);
            } else if (command == u'+') {
                QTest::sendKeyEvent(QTest::Click, &area, Qt::Key_unknown, script[++i], {});
            } else if (command == u'~') {
                QInputMethodEvent commit;
                commit.setCommitString(script[++i]);
                QApplication::sendEvent(&area, &commit);
            } else if (command == u'L') {
                // Laid out, so that the clicks find the text.
                area.document()->documentLayout()->documentSize();
                const QPoint corner(2, 2);
                QTest::mouseClick(area.viewport(), Qt::LeftButton, {}, corner);
                QTest::mouseDClick(area.viewport(), Qt::LeftButton, {}, corner);
                QTest::mouseClick(area.viewport(), Qt::LeftButton, {}, corner);
            }
        }
        const bool copied = script.endsWith(u'C');
        COMPARE_TEXT(copied ? QGuiApplication::clipboard()->text() : area.text(), expected);
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
