// How reading and showing a file in the upper area scales with its size, per
// structure of content (many short lines, one long line, table rows, fonts,
// NULs, ...): the CPU time of building a file's worth of content into a shown
// RichTextArea and laying it out whole, and of painting what is visible.
//
//   load_scaling_bench <structure> <MiB>   one figure: "<structure> <MiB> <seconds>"
//   load_scaling_bench --bare-lines <n>     a bare QTextEdit::setPlainText of n lines
//   load_scaling_bench --area-lines <n>     the same n lines set into the area
//   load_scaling_bench --file <path>        one file, .rtf or plain text by its name
//   load_scaling_bench --list               the structures
// A structure named paste-<plain-text structure> is that text put on the
// clipboard and pasted into the middle of a little text in the area, as
// Ctrl+V and a drop do (the Paste command and its button put the clipboard's
// text in the same way, through the same replaceSelection()).
// bench/run calls it per size and prints the ratios.
#include "engine/CodePage.h"
#include "platform/widgets/RichTextArea.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <cstdio>
#include <ctime>
#include <functional>
#include <map>

using namespace quenzal;

namespace {

double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Repeats `unit` (with %1 replaced by a running number where it has one)
// between `head` and `tail` up to `size` bytes.
QByteArray repeated(const QByteArray &head, const QByteArray &unit, const QByteArray &tail,
                    qsizetype size)
{
    QByteArray out = head;
    out.reserve(size + unit.size() * 2 + tail.size());
    const bool numbered = unit.contains("%1");
    for (qint64 i = 0; out.size() < size - tail.size(); ++i)
        out += numbered ? QByteArray(unit).replace("%1", QByteArray::number(i)) : unit;
    return out + tail;
}

QByteArray fontsInUse(qsizetype size)
{
    // Half the bytes name fonts (one at least), the other half use them.
    QByteArray table = "{\\rtf1\\ansi{\\fonttbl";
    qint64 n = 0;
    for (; n == 0 || table.size() < size / 2; ++n)
        table += "{\\f" + QByteArray::number(n) + " Family " + QByteArray::number(n) + ";}";
    table += "}";
    for (qint64 i = 0; table.size() < size - 1; ++i)
        table += "{\\f" + QByteArray::number(i % n) + " x}";
    return table + "}";
}

enum class Route { PlainText, RichText, Paste };

struct Structure
{
    Route route;
    std::function<QByteArray(qsizetype)> make;
};

const std::map<QByteArray, Structure> &structures()
{
    static const std::map<QByteArray, Structure> all = {
        {"txt-short-lines",
         {Route::PlainText, [](qsizetype n) { return repeated("", "ab\r\n", "", n); }}},
        {"txt-long-line", {Route::PlainText, [](qsizetype n) { return QByteArray(n, 'x'); }}},
        {"txt-text-lines", // lines of words, 60 characters and CR LF
         {Route::PlainText,
          [](qsizetype n) {
              return repeated("", "the quick brown fox jumps over the lazy dog, then rests.   \r\n",
                              "", n);
          }}},
        {"txt-long-lines", // lines of 64 KiB
         {Route::PlainText,
          [](qsizetype n) { return repeated("", QByteArray(65536, 'y') + "\r\n", "", n); }}},
        {"rtf-paragraphs",
         {Route::RichText,
          [](qsizetype n) {
              return repeated("{\\rtf1\\ansi ", "Paragraph %1 of plain words.\\par\n", "}", n);
          }}},
        {"rtf-runs",
         {Route::RichText,
          [](qsizetype n) {
              return repeated("{\\rtf1\\ansi ", "{\\b bold}{\\i italic} plain ", "}", n);
          }}},
        {"rtf-table-rows",
         {Route::RichText,
          [](qsizetype n) {
              return repeated("{\\rtf1\\ansi ", "\\trowd\\cellx1000\\intbl a\\cell\\row\n", "}", n);
          }}},
        {"rtf-wide-rows",
         {Route::RichText,
          [](qsizetype n) {
              QByteArray row = "\\trowd";
              for (int c = 1; c <= 63; ++c)
                  row += "\\cellx" + QByteArray::number(c * 100);
              for (int c = 0; c < 63; ++c)
                  row += "\\intbl c\\cell";
              return repeated("{\\rtf1\\ansi ", row + "\\row\n", "}", n);
          }}},
        {"rtf-nested-tables",
         {Route::RichText,
          [](qsizetype n) {
              return repeated("{\\rtf1\\ansi ", "\\itap8\\intbl a\\nestcell\\nestrow\n", "}", n);
          }}},
        {"rtf-nuls",
         {Route::RichText,
          [](qsizetype n) { return repeated("{\\rtf1\\ansi ", "x\\'00\\zz ", "}", n); }}},
        {"rtf-fonts", {Route::RichText, fontsInUse}},
    };
    // Each plain text pasted as well.
    static const std::map<QByteArray, Structure> withPastes = [] {
        std::map<QByteArray, Structure> structures = all;
        for (const auto &[name, structure] : all) {
            if (structure.route == Route::PlainText)
                structures.emplace("paste-" + name, Structure{Route::Paste, structure.make});
        }
        return structures;
    }();
    return withPastes;
}

// Lays the whole document out and paints the visible part.
void show(QTextEdit &area)
{
    QTextDocument *document = area.document();
    document->documentLayout()->blockBoundingRect(document->lastBlock());
    area.viewport()->grab();
}

double timeArea(const QByteArray &bytes, Route route)
{
    RichTextArea area;
    area.resize(640, 480);
    area.show();
    if (route == Route::Paste) {
        area.setText(QStringLiteral("before\r\nafter"));
        area.moveCursor(QTextCursor::Down);
        QApplication::clipboard()->setText(CodePage::decode(bytes));
    }
    const double start = cpuSeconds();
    switch (route) {
    case Route::RichText: {
        if (const auto loaded = area.loadRichText(bytes); !loaded.ok())
            std::fprintf(stderr, "not read: %s\n", qPrintable(loaded.error()));
        break;
    }
    case Route::PlainText:
        area.setText(CodePage::decode(bytes));
        break;
    case Route::Paste:
        area.paste();
        break;
    }
    show(area);
    return cpuSeconds() - start;
}

double timeBare(const QString &text)
{
    QTextEdit edit;
    edit.resize(640, 480);
    edit.show();
    const double start = cpuSeconds();
    edit.setPlainText(text);
    show(edit);
    return cpuSeconds() - start;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() == 2 && args[1] == QLatin1String("--list")) {
        for (const auto &[name, structure] : structures())
            std::printf("%s\n", name.constData());
        return 0;
    }
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: %s <structure> <MiB> | --bare-lines <n> | --area-lines <n>\n",
                     argv[0]);
        return 2;
    }
    if (args[1] == QLatin1String("--file")) {
        QFile file(args[2]);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 2;
        }
        const bool rtf = args[2].endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive);
        std::printf("%s %.3f\n", argv[2],
                    timeArea(file.readAll(), rtf ? Route::RichText : Route::PlainText));
        return 0;
    }
    if (args[1] == QLatin1String("--bare-lines") || args[1] == QLatin1String("--area-lines")) {
        const qsizetype lines = args[2].toLongLong();
        const QByteArray bytes = repeated("", "ab\r\n", "", lines * 4);
        const double seconds = args[1] == QLatin1String("--bare-lines")
                                   ? timeBare(CodePage::decode(bytes))
                                   : timeArea(bytes, Route::PlainText);
        std::printf("%s %lld %.3f\n", argv[1], qlonglong(lines), seconds);
        return 0;
    }
    const auto it = structures().find(args[1].toUtf8());
    if (it == structures().end()) {
        std::fprintf(stderr, "no structure %s\n", argv[1]);
        return 2;
    }
    const double mib = args[2].toDouble();
    const QByteArray bytes = it->second.make(qsizetype(mib * 1024 * 1024));
    std::printf("%s %g %.3f\n", argv[1], mib, timeArea(bytes, it->second.route));
    return 0;
}
