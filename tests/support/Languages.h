#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <cstdint>

// A sentence in a language of each code page, its bytes as iconv writes them
// in that code page, and the cipher worked out on those bytes: what the
// window and quenzal-cli must give for the sentence in every way it comes.
namespace quenzal::test {

struct Language
{
    int codePage;
    const char *locale;
    const char16_t *sentence;
};

inline constexpr Language kLanguages[] = {
    {874, "th_TH.UTF-8", u"ภาษาไทยง่ายนิดเดียว"},
    {1250, "pl_PL.UTF-8", u"Zażółć gęślą jaźń"},
    {1251, "ru_RU.UTF-8", u"Съешь же ещё этих мягких французских булок"},
    {1252, "fr_FR.UTF-8", u"Voix ambiguë d'un cœur qui préfère les jattes de kiwis"},
    {1253, "el_GR.UTF-8", u"Ξεσκεπάζω την ψυχοφθόρα βδελυγμία"},
    {1254, "tr_TR.UTF-8", u"Pijamalı hasta yağız şoföre çabucak güvendi"},
    {1255, "he_IL.UTF-8", u"דג סקרן שט בים מאוכזב ולפתע מצא חברה"},
    {1256, "ar_EG.UTF-8", u"نص حكيم له سر قاطع وذو شأن عظيم"},
    {1257, "lv_LV.UTF-8", u"Glāžšķūņa rūķīši dzērumā čiepj Baha koncertflīģeļu vākus"},
    // Typed as composed letters, which the code page holds as letter and mark.
    {1258, "vi_VN.UTF-8", u"Tiếng Việt có dấu, chữ Quốc ngữ"},
};

// Columns codePage, locale and sentence, a row for each language.
inline void addLanguageRows()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("sentence");
    for (const Language &language : kLanguages)
        QTest::addRow("%d", language.codePage)
            << language.codePage << QString::fromLatin1(language.locale)
            << QString::fromUtf16(language.sentence);
}

// A text's bytes in a code page as iconv writes them.
inline QByteArray iconvBytes(const QString &text, int codePage)
{
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"),
                {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"),
                 QStringLiteral("CP%1").arg(codePage)});
    iconv.write(text.toUtf8());
    iconv.closeWriteChannel();
    if (!iconv.waitForFinished(30000) || iconv.exitCode() != 0)
        return "iconv failed";
    return iconv.readAllStandardOutput();
}

// Scramble's two passes on codes, worked out as the cipher is defined: the
// code at 1-based position i becomes the member of 1..255 congruent to code +
// key + i² modulo 255, the key being the sum of (code + 13) over a password.
inline QByteArray referenceCipher(QByteArray codes, const QByteArray &one, const QByteArray &two)
{
    for (const QByteArray &password : {one, two}) {
        std::int64_t key = 0;
        for (const char code : password)
            key += std::uint8_t(code) + 13;
        for (qsizetype i = 0; i < codes.size(); ++i) {
            const std::int64_t position = i + 1;
            const std::int64_t sum = std::uint8_t(codes[i]) + key + position * position;
            codes[i] = char((sum - 1) % 255 + 1);
        }
    }
    return codes;
}

} // namespace quenzal::test
