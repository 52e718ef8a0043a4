// The bulk cipher against memcpy of the same bytes: both read every byte once
// and write it once, so memcpy is the floor for a pass over memory.
#include "engine/Cipher.h"
#include "engine/CodePage.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kSize = 64u << 20; // 64 MiB

const std::vector<std::uint8_t> &input()
{
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> v(kSize);
        std::mt19937 random(42);
        for (auto &b : v)
            b = std::uint8_t(random());
        return v;
    }();
    return bytes;
}

void BM_Memcpy(benchmark::State &state)
{
    const auto &in = input();
    std::vector<std::uint8_t> out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(in.size()));
}

void BM_ScrambleCodes(benchmark::State &state)
{
    const auto &in = input();
    std::vector<std::uint8_t> out(in.size());
    const bool scramble = state.range(0) != 0;
    const std::int64_t first = std::int64_t(1) << state.range(1);
    for (auto _ : state) {
        quenzal::scrambleCodes(in, out, 1234567, scramble, first);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(in.size()));
}

// The cipher as the commands call it: one progress report per character.
void BM_ScrambleText8000(benchmark::State &state)
{
    QString text;
    for (int i = 0; i < 8000; ++i)
        text += QChar(u'a' + i % 26);
    int reports = 0;
    const quenzal::ProgressHook progress = [&reports](float) { ++reports; };
    for (auto _ : state)
        benchmark::DoNotOptimize(quenzal::ScrambleText(text, QStringLiteral("pw"), true, progress));
    benchmark::DoNotOptimize(reports);
}

// The same in a code page of another script: Cyrillic letters in Windows-1251.
void BM_ScrambleText8000Cyrillic(benchmark::State &state)
{
    quenzal::CodePage::setCurrent(1251);
    QString text;
    for (int i = 0; i < 8000; ++i)
        text += QChar(u'\u0430' + i % 32);
    int reports = 0;
    const quenzal::ProgressHook progress = [&reports](float) { ++reports; };
    for (auto _ : state)
        benchmark::DoNotOptimize(quenzal::ScrambleText(text, QStringLiteral("pw"), true, progress));
    benchmark::DoNotOptimize(reports);
    quenzal::CodePage::setCurrent(quenzal::CodePage::kWestern);
}

} // namespace

BENCHMARK(BM_ScrambleText8000Cyrillic)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrambleText8000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
// Scrambling and unscrambling, from the first position (2⁰) and from 2³².
BENCHMARK(BM_ScrambleCodes)
    ->ArgNames({"scramble", "start_log2"})
    ->ArgsProduct({{1, 0}, {0, 32}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
