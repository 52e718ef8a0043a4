// The whole Scramble command on 8,000 characters against the least its two
// passes must do: setting 8,000 characters into the lower area twice. Both
// run in a shown main window on the offscreen platform, with the window's
// pending paints processed after each round.
#include "FakeServices.h"
#include "engine/Cipher.h"
#include "platform/widgets/RichTextArea.h"
#include "ui/main/frmMAIN.h"

#include <QApplication>
#include <QProgressBar>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Window
{
    quenzal::test::FakeServices fakes;
    std::unique_ptr<quenzal::frmMAIN> window;
    quenzal::RichTextArea *original;
    quenzal::RichTextArea *result;

    Window()
        : window(std::make_unique<quenzal::frmMAIN>(fakes.services())),
          original(window->findChild<quenzal::RichTextArea *>(QStringLiteral("rtfOriginal"))),
          result(window->findChild<quenzal::RichTextArea *>(QStringLiteral("rtfNew")))
    {
        window->show();
        QApplication::processEvents();
    }
};

// A message of 8,000 characters: words and line breaks.
QString message()
{
    QString text;
    QRandomGenerator random(7);
    while (text.size() < 8000) {
        const int word = 1 + int(random.bounded(9));
        for (int i = 0; i < word; ++i)
            text += QChar(u'a' + random.bounded(26));
        text += random.bounded(12) == 0 ? QStringLiteral("\r\n") : QStringLiteral(" ");
    }
    return text.left(8000);
}

void BM_ScrambleCommand(benchmark::State &state)
{
    Window w;
    w.original->setText(message());
    for (auto _ : state) {
        w.window->cmdLOCK_Click();
        QApplication::processEvents();
    }
}

void BM_SetLowerAreaTwice(benchmark::State &state)
{
    Window w;
    // The very texts the two passes put there.
    w.original->setText(message());
    w.window->cmdLOCK_Click();
    const QString second = w.result->text();
    const QString first = quenzal::ScrambleText(message(), QString(), true);
    for (auto _ : state) {
        w.result->setText(first);
        w.result->setText(second);
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_SetLowerAreaTwice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrambleCommand)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
