// The RTF reader, building the whole QTextDocument, against Debian's
// `unrtf --text` on the same files: every file of the real-world corpus and a
// generated 5 MiB document. Both are timed by the wall clock from reading
// the file to having the result (for unrtf: from starting the process to its
// exit), so the reader's figure includes reading the file and freeing the
// document. At the end the program prints the ratio reader / unrtf.
#include "platform/rtf/Rtf.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

// A document like a long report from a word processor: paragraphs of mixed
// formatting, accented and non-Latin characters, and a small table every 40
// paragraphs, up to `size` bytes.
QByteArray generatedDocument(qsizetype size)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\froman\\fcharset0 "
                     "Times New Roman;}{\\f1\\fswiss\\fcharset0 Arial;}{\\f2\\fcharset204 Arial "
                     "Cyr;}}{\\colortbl;\\red192\\green0\\blue0;\\red255\\green255\\blue0;}\n"
                     "{\\info{\\title Generated}}\\viewkind4\n";
    for (int paragraph = 0; rtf.size() < size; ++paragraph) {
        if (paragraph % 40 == 39) {
            for (int row = 0; row < 3; ++row) {
                rtf += "\\trowd\\trgaph108\\cellx3000\\cellx6000\\cellx9000\n";
                for (int cell = 0; cell < 3; ++cell)
                    rtf += "\\pard\\intbl {\\f1\\fs20 Cell " + QByteArray::number(row) + "." +
                           QByteArray::number(cell) + "}\\cell\n";
                rtf += "\\row\n";
            }
            continue;
        }
        rtf += "\\pard\\qj\\li" + QByteArray::number(paragraph % 3 * 360) +
               "\\sa120 {\\f0\\fs24 Paragraph " + QByteArray::number(paragraph) +
               ": the quick brown fox jumps over the lazy dog, }{\\b\\f0\\fs24 in bold,}"
               "{\\i\\cf1\\f0\\fs24  in red italics,}{\\f0\\fs24  caf\\'e9 cr\\'e8me "
               "br\\'fbl\\'e9e \\ldblquote quoted\\rdblquote \\endash  \\u8364? 12.50 }"
               "{\\f2\\fs24 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 }{\\ul\\highlight2\\f0\\fs24 "
               "and some underlined words}{\\f0\\fs24  \\u26085?\\u26412?\\u-30050? "
               "to end the line.}\\par\n";
    }
    rtf += "}\n";
    return rtf;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void readWithQuenzal(benchmark::State &state, const QString &path)
{
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray rtf = readAll(path);
        auto result = quenzal::rtf::read(rtf);
        benchmark::DoNotOptimize(result.value().get());
        bytes += rtf.size();
    }
    state.SetBytesProcessed(bytes);
}

void readWithUnrtf(benchmark::State &state, const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    char program[] = "unrtf";
    char text[] = "--text";
    char *argv[] = {program, text, const_cast<char *>(file.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, program, &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("unrtf is not installed (apt-get install unrtf)");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
            state.SkipWithError("unrtf did not run");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// Collects each benchmark's wall time per iteration as the console shows it.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_seconds[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

    void printRatios(const QStringList &files) const
    {
        double quenzalTotal = 0;
        double unrtfTotal = 0;
        std::printf("\n%-36s %12s %12s %7s\n", "file", "reader (ms)", "unrtf (ms)", "ratio");
        for (const QString &file : files) {
            const auto ours = m_seconds.find("read/quenzal/" + file.toStdString());
            const auto theirs = m_seconds.find("read/unrtf/" + file.toStdString());
            if (ours == m_seconds.end() || theirs == m_seconds.end())
                continue;
            quenzalTotal += ours->second;
            unrtfTotal += theirs->second;
            std::printf("%-36s %12.3f %12.3f %7.3f\n", qPrintable(file), ours->second * 1e3,
                        theirs->second * 1e3, ours->second / theirs->second);
        }
        if (unrtfTotal > 0)
            std::printf("%-36s %12.3f %12.3f %7.3f  (target <= 1)\n", "all files",
                        quenzalTotal * 1e3, unrtfTotal * 1e3, quenzalTotal / unrtfTotal);
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QTemporaryDir scratch;
    // unrtf writes the pictures it finds into the current folder.
    QDir::setCurrent(scratch.path());
    const QString generated = scratch.filePath(QStringLiteral("generated-5MiB.rtf"));
    {
        QFile file(generated);
        if (!file.open(QIODevice::WriteOnly) || file.write(generatedDocument(5 << 20)) < 0)
            return 1;
    }

    QStringList files;
    std::map<QString, QString> paths;
    const QDir corpus(QStringLiteral(QUENZAL_RTF_CORPUS));
    for (const QString &file : corpus.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
        files << file;
        paths[file] = corpus.filePath(file);
    }
    files << QStringLiteral("generated-5MiB.rtf");
    paths[files.last()] = generated;

    for (const QString &file : files) {
        const QString path = paths[file];
        benchmark::RegisterBenchmark(
            ("read/quenzal/" + file.toStdString()).c_str(),
            [path](benchmark::State &state) { readWithQuenzal(state, path); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            ("read/unrtf/" + file.toStdString()).c_str(),
            [path](benchmark::State &state) { readWithUnrtf(state, path); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(files);
    benchmark::Shutdown();
    return 0;
}
