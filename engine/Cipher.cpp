#include "engine/Cipher.h"

#include "engine/CodePage.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

namespace quenzal {
namespace {

constexpr std::int64_t kModulus = 255;

// The member of 1..255 congruent to v modulo 255; v itself when it is already there.
std::uint8_t wrapIntoCodes(std::int64_t v)
{
    if (v >= 1 && v <= kModulus)
        return std::uint8_t(v);
    const std::int64_t r = (v - 1) % kModulus; // -254..254
    return std::uint8_t((r < 0 ? r + kModulus : r) + 1);
}

// 100 * i / n rounded to the nearest whole number, halves up: the fraction i / n
// shown with two decimals, read back and multiplied by 100.
float percentage(std::int64_t i, std::int64_t n)
{
    const std::int64_t whole = (200 * i + n) / (2 * n);
    return float(whole);
}

} // namespace

std::int64_t passwordKey(QStringView password)
{
    std::int64_t key = 0;
    for (const char code : CodePage::encode(password))
        key += std::int64_t(std::uint8_t(code)) + 13;
    return key;
}

std::uint8_t scrambleCode(std::uint8_t code, std::int64_t key, std::int64_t position, bool scramble)
{
    // Reducing the key and the position first keeps the sum small and leaves
    // its value modulo 255 as it was, and with it the result.
    const std::int64_t place = position % kModulus;
    const std::int64_t shift = key % kModulus + place * place;
    return wrapIntoCodes(scramble ? code + shift : code - shift);
}

QString ScrambleText(const QString &text, const QString &password, bool scramble,
                     const ProgressHook &progress)
{
    assert(!CodePage::firstUnrepresentable(text) && !CodePage::firstUnrepresentable(password));
    const std::int64_t key = passwordKey(password);
    // A letter the code page holds as a letter and marks is that sequence.
    const QByteArray codes = CodePage::encode(text);
    const CodePage::Page &codePage = CodePage::currentPage();
    const std::int64_t n = codes.size();
    QString result(codes.size(), Qt::Uninitialized);
    QChar *out = result.data();
    for (std::int64_t i = 1; i <= n; ++i) {
        const auto code = std::uint8_t(codes.constData()[i - 1]);
        const std::uint8_t shifted = scrambleCode(code, key, i, scramble);
        if (progress)
            progress(percentage(i, n));
        *out++ = QChar(codePage.toUnicode(shifted));
    }
    if (progress)
        progress(0.0f);
    return result;
}

namespace {

// "The text contains a character that cannot be scrambled: "😀" (U+1F600) at
// character 3.", without the place when `position` is 0.
QString refusal(const QString &what, char32_t codePoint, bool scramble, std::int64_t position)
{
    const QString verb = scramble ? QStringLiteral("scrambled") : QStringLiteral("unscrambled");
    QString message = QStringLiteral("%1 contains a character that cannot be %2: %3")
                          .arg(what, verb, CodePage::describe(codePoint));
    if (position > 0)
        message += QStringLiteral(" at character %1").arg(position);
    message += u'.';
    // Code 0 is in every code page.
    if (codePoint != U'\0')
        message += u' ' + CodePage::notHeld(codePoint);
    return message;
}

} // namespace

QString cipherRefusal(const QString &what, QStringView value, bool scramble, bool position)
{
    const auto bad = CodePage::firstUnrepresentable(value);
    if (!bad)
        return {};
    const qsizetype characters = position ? value.first(bad->index).toUcs4().size() + 1 : 0;
    return refusal(what, bad->codePoint, scramble, characters);
}

QString codeZeroRefusal(QByteArrayView codes, std::int64_t firstPosition)
{
    const void *zero =
        codes.isEmpty() ? nullptr : std::memchr(codes.data(), 0, size_t(codes.size()));
    if (!zero)
        return {};
    const std::int64_t index = static_cast<const char *>(zero) - codes.data();
    return refusal(QStringLiteral("The text"), U'\0', true, firstPosition + index);
}

namespace {

// The shifts (key + squares · position²) modulo 255 repeat every 255
// positions. The text goes through in blocks against a table of this many of
// them, a whole number of periods and of 16-byte vectors, so that the loop
// below runs on whole vectors with no remainder inside a block. (Measured on
// 64 MiB: a table twice or eight times as large, which takes more of the
// processor's first cache from the codes streaming through, costs 20 % and
// 40 % more time.)
constexpr std::size_t kOffsetTable = 16 * kModulus;

// The member of 0..254 congruent to v modulo 255.
std::int64_t residue(std::int64_t v)
{
    const std::int64_t r = v % kModulus;
    return r < 0 ? r + kModulus : r;
}

// Shifts every code by key + squares · position², modulo 255.
void shiftCodes(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::int64_t key,
                std::int64_t squares, bool scramble, std::int64_t firstPosition)
{
    assert(in.size() == out.size());
    const std::size_t n = in.size();
    if (n == 0)
        return;
    // Adding a shift is subtracting its opposite modulo 255, so both ways
    // subtract: one period of what is subtracted (0..254), the square's
    // residue kept from one position to the next ((p + 1)² = p² + 2p + 1),
    // then repeated to fill the table.
    std::array<std::uint8_t, kOffsetTable> subtracted;
    const std::size_t tableSize = std::min(n, kOffsetTable);
    const std::int64_t keyMod = residue(key);
    // Below 3 · 255 here, so at most two subtractions bring it into 0..254.
    const auto reduce = [](std::int64_t v) {
        while (v >= kModulus)
            v -= kModulus;
        return v;
    };
    std::int64_t place = residue(firstPosition);
    std::int64_t square = place * place % kModulus;
    for (std::size_t j = 0; j < std::min<std::size_t>(kModulus, tableSize); ++j) {
        const std::int64_t shift = reduce(keyMod + squares * square);
        subtracted[j] = std::uint8_t(scramble && shift != 0 ? kModulus - shift : shift);
        square = reduce(square + 2 * place + 1);
        place = place + 1 == kModulus ? 0 : place + 1;
    }
    for (std::size_t j = kModulus; j < tableSize; j += kModulus)
        std::memcpy(&subtracted[j], subtracted.data(),
                    std::min<std::size_t>(kModulus, tableSize - j));

    // The member of 1..255 congruent to c - t, for a code c (0..255) and t in
    // 0..254, is c - t when that is at least 1, and c + (255 - t) otherwise,
    // which then fits in a byte. Where c - t is at least 1, c + (255 - t)
    // overflows to c - t - 1 in a byte, and where it is not, the difference
    // cut off at 0 is 0: the larger of the two is the code, in byte
    // arithmetic the compiler turns into vector instructions.
    for (std::size_t base = 0; base < n; base += kOffsetTable) {
        const std::size_t len = std::min(kOffsetTable, n - base);
        const std::uint8_t *src = in.data() + base;
        std::uint8_t *dst = out.data() + base;
        for (std::size_t j = 0; j < len; ++j) {
            const std::uint8_t c = src[j];
            const std::uint8_t t = subtracted[j];
            const auto difference = std::uint8_t(c - std::min(c, t));
            const auto around = std::uint8_t(c + std::uint8_t(kModulus - t));
            dst[j] = std::max(difference, around);
        }
    }
}

} // namespace

void scrambleCodes(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::int64_t key,
                   bool scramble, std::int64_t firstPosition)
{
    shiftCodes(in, out, key, 1, scramble, firstPosition);
}

void scrambleCodesTwice(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                        std::int64_t firstKey, std::int64_t secondKey, bool scramble,
                        std::int64_t firstPosition)
{
    // Each pass gives the member of 1..255 congruent to what it adds up, so two
    // passes give the member congruent to both sums together.
    shiftCodes(in, out, firstKey % kModulus + secondKey % kModulus, 2, scramble, firstPosition);
}

} // namespace quenzal
