// libFuzzer target: any bytes through the RTF reader, and what it reads
// through the writer and the reader again; then the bytes shown in the real
// rich-text area, laid out whole and painted, as Open shows a file. Run with
// a time limit per input (fuzz/run uses 2 s), so that slowness is a finding.
// Built a second time with QUENZAL_FUZZ_READER_ONLY, without the area: the
// reader and writer alone run a thousand times faster, for long campaigns.
#include "platform/rtf/Rtf.h"
#include "platform/widgets/RichTextArea.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// A warning from the text document's own API means the reader asked it
// something impossible (a position out of range, a cell that is not there):
// a fault, so stop here and keep the input.
void failOnTextWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (message.startsWith(QLatin1String("QText")) || type == QtFatalMsg) {
        std::fprintf(stderr, "Qt: %s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rtf_reader_fuzzer";
    static char *argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    qInstallMessageHandler(failOnTextWarnings);
    return 0;
}

#ifndef QUENZAL_FUZZ_READER_ONLY
namespace {

quenzal::RichTextArea &area()
{
    static quenzal::RichTextArea *shown = [] {
        auto *a = new quenzal::RichTextArea;
        a->resize(400, 300);
        a->show();
        return a;
    }();
    return *shown;
}

} // namespace
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto first =
        quenzal::rtf::read(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!first.ok())
        return 0;
    // What the writer makes of any document is rich text that reads back to
    // the same text.
    const QByteArray written = quenzal::rtf::write(*first.value());
    const auto second = quenzal::rtf::read(written);
    if (!second.ok() || second.value()->toRawText() != first.value()->toRawText()) {
        std::fprintf(stderr, "write/read changed the text\n");
        std::abort();
    }
#ifndef QUENZAL_FUZZ_READER_ONLY
    // As Open shows it: in the area, laid out to the end and painted. The
    // area's text survives its own rich text.
    quenzal::RichTextArea &shown = area();
    if (!shown.loadRichText(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)))
             .ok())
        std::abort();
    QTextDocument *document = shown.document();
    document->documentLayout()->blockBoundingRect(document->lastBlock());
    shown.viewport()->grab();
    const QString text = shown.text();
    quenzal::RichTextArea again;
    if (!again.loadRichText(shown.richText()).ok() || again.text() != text) {
        std::fprintf(stderr, "the area's rich text changed its text\n");
        std::abort();
    }
#endif
    return 0;
}
