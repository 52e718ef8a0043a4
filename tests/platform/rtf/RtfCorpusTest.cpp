// The reader against real-world files from other programs: the text of each
// matches LibreOffice's plain text of it, except for the differences listed
// per file below, and every file survives write and read unchanged.
#include "DocumentSummary.h"
#include "TestCase.h"
#include "platform/rtf/Rtf.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTest>

using namespace quenzal;

namespace {

const QString kCorpus = QStringLiteral(QUENZAL_RTF_CORPUS);

// How our text may differ from LibreOffice's, and how the test evens it out.
enum Difference {
    None = 0,
    // LibreOffice writes its own list labels (four spaces per level, then
    // "•", "1." ...); we show the label the file itself carries (\listtext,
    // \pntext) followed by its tab. Leading labels are removed on both sides.
    ListLabels = 1,
    // LibreOffice's text export doubles each run of two or more spaces (some
    // as U+2006); we keep the spaces the file has. Runs of spaces are made
    // one on both sides.
    SpaceRuns = 2,
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The README's lenient comparison: LF line ends, no trailing white space on
// a line, no trailing blank lines.
QString normalised(QString text, int differences)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    static const QRegularExpression trailing(QStringLiteral("\\s+$"));
    static const QRegularExpression label(
        QStringLiteral("^\\s*(?:[•◦▪·\\-–]|\\(?(?:\\d+|[a-zA-Z]|[ivxlcdmIVXLCDM]+)[.)])\\s+"));
    static const QRegularExpression spaces(QStringLiteral("[ \\x{2006}]{2,}"));
    for (QString &line : lines) {
        if (differences & SpaceRuns) {
            line.replace(QChar(0x2006), u' ');
            line.replace(spaces, QStringLiteral(" "));
        }
        if (differences & ListLabels)
            line.remove(label);
        line.remove(trailing);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(u'\n');
}

int pictureCount(const QTextDocument &document)
{
    int count = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            count += it.fragment().charFormat().isImageFormat() ? it.fragment().length() : 0;
    }
    return count;
}

} // namespace

class RtfCorpusTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void everyFileIsListed();
    void matchesLibreOffice_data();
    void matchesLibreOffice();
    void withoutReference_data();
    void withoutReference();
    void survivesWriteAndRead_data();
    void survivesWriteAndRead();
};

// Every file in the corpus is in one of the tables below, so a file added
// later is not silently left untested.
void RtfCorpusTest::everyFileIsListed()
{
    const QStringList withoutReference = {QStringLiteral("malformed-truncated-01.rtf"),
                                          QStringLiteral("pandoc-jpeg-01.rtf"),
                                          QStringLiteral("word-bin-object-01.rtf")};
    const QStringList files = QDir(kCorpus).entryList({QStringLiteral("*.rtf")}, QDir::Files);
    QVERIFY(files.size() >= 40);
    for (const QString &file : files) {
        const QString reference = kCorpus + u'/' + file.chopped(4) + QStringLiteral(".txt");
        QVERIFY2(QFile::exists(reference) || withoutReference.contains(file), qPrintable(file));
    }
}

void RtfCorpusTest::matchesLibreOffice_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("differences");
    // Set where our text is not LibreOffice's after the differences above.
    QTest::addColumn<QString>("ownText");

    const QDir corpus(kCorpus);
    const QHash<QString, int> differences = {
        {QStringLiteral("word-list-01"), ListLabels},
        {QStringLiteral("txtextcontrol-list-01"), ListLabels},
        {QStringLiteral("word-various-01"), ListLabels},
        {QStringLiteral("pandoc-writer-01"), ListLabels},
        {QStringLiteral("misc-cp1251-01"), SpaceRuns},
        {QStringLiteral("word97-wmf-footnotes-01"), SpaceRuns},
        {QStringLiteral("word-formatting-01"), SpaceRuns},
    };
    // Files where we read something else than LibreOffice, on purpose.
    const QHash<QString, QString> ownText = {
        // LibreOffice drops the text of a table whose \itap levels jump (2
        // to 5); we keep every paragraph, nested as deep as \itap says, each
        // nested table after an empty paragraph as Qt lays tables out.
        {QStringLiteral("malformed-itap-01"),
         QStringLiteral("\n\nParent before\n\n\nChild at skipped level\n\n\nParent after\n"
                        "Outer cell")},
        // No {\rtf header: LibreOffice shows the bytes as plain text; we
        // report that the file is not rich text (see notRichText below).
        {QStringLiteral("malformed-noheader-01"), QStringLiteral("(not rich text)")},
    };
    for (const QString &reference : corpus.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
        const QString name = QString(reference).chopped(4);
        QTest::newRow(qPrintable(name))
            << name << differences.value(name, None) << ownText.value(name);
    }
}

void RtfCorpusTest::matchesLibreOffice()
{
    QFETCH(QString, file);
    QFETCH(int, differences);
    QFETCH(QString, ownText);

    const auto result = rtf::read(readFile(kCorpus + u'/' + file + QStringLiteral(".rtf")));
    if (!result.ok()) {
        QCOMPARE(QStringLiteral("(not rich text)"), ownText);
        QVERIFY(!result.error().isEmpty());
        return;
    }
    QVERIFY(result.error().isEmpty());
    const QString text = normalised(test::areaText(result.value().get()), differences);
    const QString expected = ownText.isEmpty()
                                 ? normalised(QString::fromUtf8(readFile(kCorpus + u'/' + file +
                                                                         QStringLiteral(".txt"))),
                                              differences)
                                 : ownText;
    QCOMPARE(text, expected);
}

// LibreOffice could not open these; we read them all the same.
void RtfCorpusTest::withoutReference_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pictures");

    // The closing brace is missing: the text up to the end is kept.
    QTest::newRow("malformed-truncated-01")
        << "malformed-truncated-01" << QStringLiteral("Hello world in {RTF}\u2026") << 0;
    // One JPEG picture between empty paragraphs.
    QTest::newRow("pandoc-jpeg-01") << "pandoc-jpeg-01" << QString() << 1;
    // An OLE object in \bin data whose braces must not count; its result is a
    // metafile, which is not shown, so only the tabs before it remain.
    QTest::newRow("word-bin-object-01") << "word-bin-object-01" << QString() << 0;
}

void RtfCorpusTest::withoutReference()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(int, pictures);

    const auto result = rtf::read(readFile(kCorpus + u'/' + file + QStringLiteral(".rtf")));
    QVERIFY(result.ok());
    QCOMPARE(normalised(test::areaText(result.value().get()), None), text);
    QCOMPARE(pictureCount(*result.value()), pictures);
}

void RtfCorpusTest::survivesWriteAndRead_data()
{
    QTest::addColumn<QString>("file");
    for (const QString &file :
         QDir(kCorpus).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name)) {
        if (file != u"malformed-noheader-01.rtf")
            QTest::newRow(qPrintable(file)) << file;
    }
}

// Read, write, read: the same text, structure and formatting; and writing
// what was read back gives the same bytes again.
void RtfCorpusTest::survivesWriteAndRead()
{
    QFETCH(QString, file);

    const auto first = rtf::read(readFile(kCorpus + u'/' + file));
    QVERIFY(first.ok());
    const QByteArray written = rtf::write(*first.value());
    const auto second = rtf::read(written);
    QVERIFY2(second.ok(), qPrintable(second.error()));

    QCOMPARE(test::areaText(second.value().get()), test::areaText(first.value().get()));
    QUENZAL_COMPARE_SUMMARY(test::summary(*second.value()), test::summary(*first.value()));
    QCOMPARE(rtf::write(*second.value()), written);
}

QTEST_MAIN(RtfCorpusTest)
#include "RtfCorpusTest.moc"
