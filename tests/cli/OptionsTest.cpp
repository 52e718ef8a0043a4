#include "cli/Options.h"
#include "TestCase.h"

#include <QTest>

using namespace quenzal::cli;
using namespace Qt::StringLiterals;

namespace {

QString describe(const PasswordSource &source)
{
    switch (source.kind) {
    case PasswordSource::Kind::Prompt:
        return QStringLiteral("prompt");
    case PasswordSource::Kind::File:
        return QStringLiteral("file:") + source.file;
    case PasswordSource::Kind::Descriptor:
        return QStringLiteral("fd:%1").arg(source.descriptor);
    case PasswordSource::Kind::Empty:
        return QStringLiteral("empty");
    }
    return {};
}

// What the command line was read as, in one line: the options, the
// beginning of the information to print, or the message of the failure.
QString readAs(const QStringList &arguments)
{
    const auto parsed = parseArguments(QStringList{QStringLiteral("quenzal-cli")} + arguments);
    if (!parsed)
        return QStringLiteral("status %1: %2")
            .arg(parsed.error().status)
            .arg(parsed.error().message);
    if (const auto *information = std::get_if<Information>(&*parsed))
        return information->text.first(information->text.indexOf(u'\n'));
    const auto &options = std::get<Options>(*parsed);
    const char *const commands[] = {"scramble", "unscramble", "encrypt", "decrypt"};
    return QStringLiteral("%1 in=%2 out=%3 first=%4 second=%5 page=%6%7%8")
        .arg(QLatin1String(commands[int(options.command)]), options.input, options.output,
             describe(options.first), describe(options.second))
        .arg(options.codePage)
        .arg(options.binary ? QStringLiteral(" binary") : QString(),
             options.force ? QStringLiteral(" force") : QString());
}

} // namespace

class OptionsTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void commandLinesAreReadAsTheyAreMeant_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        const QString usage =
            QStringLiteral(" (quenzal-cli --help lists the options and commands.)");
        const auto row = [](const char *name, const QStringList &arguments,
                            const QString &expected) {
            QTest::newRow(name) << arguments << expected;
        };
        row("values after = and as the next word, options among the names",
            {u"scramble"_s, u"--password-file=p=1"_s, u"a.txt"_s, u"--second-password-fd"_s, u"3"_s,
             u"b.txt"_s, u"--code-page"_s, u"1251"_s},
            u"scramble in=a.txt out=b.txt first=file:p=1 second=fd:3 page=1251"_s);
        row("a value that looks like an option",
            {u"decrypt"_s, u"--password-file"_s, u"--binary"_s, u"-"_s, u"out"_s},
            u"decrypt in= out=out first=file:--binary second=prompt page=0"_s);
        row("an empty value", {u"unscramble"_s, u"--password-file="_s, u"--no-second-password"_s},
            u"unscramble in= out= first=file: second=empty page=0"_s);
        row("switches", {u"--force"_s, u"encrypt"_s, u"--binary"_s},
            u"encrypt in= out= first=prompt second=prompt page=0 binary force"_s);
        row("names only after --", {u"scramble"_s, u"--"_s, u"--force"_s, u"-v"_s},
            u"scramble in=--force out=-v first=prompt second=prompt page=0"_s);
        row("short options run together", {u"scramble"_s, u"-vh"_s},
            u"Usage: quenzal-cli [options] command [input] [output]"_s);
        row("version", {u"-v"_s}, u"quenzal-cli " QUENZAL_VERSION ""_s);
        row("an unknown option is told before any other mistake",
            {u"--code-page"_s, u"--force=1"_s, u"-hx"_s, u"--bogus"_s},
            u"status 2: Unknown option \"-x\"."_s + usage);
        row("an unknown long option, without its value", {u"--pasword-file=x"_s, u"scramble"_s},
            u"status 2: Unknown option \"--pasword-file\"."_s + usage);
        row("a missing value", {u"scramble"_s, u"--password-fd"_s},
            u"status 2: Missing value after '--password-fd'."_s + usage);
        row("a value for a switch", {u"scramble"_s, u"--no-password=yes"_s},
            u"status 2: Unexpected value after '--no-password'."_s + usage);
        row("a value for a short switch", {u"-h=1"_s},
            u"status 2: Unexpected value after '-h'."_s + usage);
        row("a password two ways",
            {u"scramble"_s, u"--password-file"_s, u"p"_s, u"--password-file"_s, u"q"_s},
            u"status 2: Give each password one way only: --password-file, --password-fd or "_s
            u"--no-password."_s +
                usage);
        row("a descriptor that is no number", {u"scramble"_s, u"--password-fd"_s, u"three"_s},
            u"status 2: --password-fd takes a file descriptor number, not \"three\"."_s + usage);
        row("an option of the cipher for a message", {u"encrypt"_s, u"--no-second-password"_s},
            u"status 2: --no-second-password is for scramble and unscramble: encrypt takes one "_s
            u"password, never empty."_s +
                usage);
    }

    void commandLinesAreReadAsTheyAreMeant()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QCOMPARE(readAs(arguments), expected);
    }

    // The help's rows are wrapped to fit 80 columns.
    void helpFitsATerminal()
    {
        const auto parsed = parseArguments({u"quenzal-cli"_s, u"--help"_s});
        QVERIFY(parsed);
        const QString text = std::get<Information>(*parsed).text;
        QVERIFY(text.contains(u"\n  --second-password-file <file>  Read the second password from "_s
                              u"the first line\n                                 of <file>.\n"_s));
        for (const QStringView line : QStringView(text).split(u'\n'))
            QVERIFY2(line.size() < 80, qPrintable(line.toString()));
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "OptionsTest.moc"
