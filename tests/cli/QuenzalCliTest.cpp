#include "Cli.h"
#include "Languages.h"
#include "MainWindowFixture.h"
#include "ScratchFolder.h"
#include "TestCase.h"
#include "Texts.h"
#include "engine/Cipher.h"
#include "engine/CodePage.h"
#include "platform/files/TextFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <span>

using namespace quenzal;
using namespace Qt::StringLiterals;
using namespace quenzal::test;

namespace {

constexpr qint64 kMiB = 1024 * 1024;
using TextFiles::kMaxReadBytes;

// A text as the window's Save writes it to an .rtf file.
QByteArray richTextOf(const QString &text)
{
    RichTextArea area;
    area.setText(text);
    return area.richText();
}

// Both passes of the window's cipher, as codes.
QByteArray reference(const QString &text, const QString &one, const QString &two, bool scramble)
{
    return CodePage::encode(ScrambleText(ScrambleText(text, one, scramble), two, scramble));
}

// Why a file is written in place, if it is.
enum class InPlace { No, Linked, OtherOwner, ReadOnlyFolder };

constexpr uid_t kNobody = 65534;

// What this process writes to standard error meanwhile, as libraries that
// print their own errors do, into the file `path`.
class StandardErrorCapture
{
public:
    explicit StandardErrorCapture(const QString &path) : m_path(path)
    {
        const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
        m_saved = dup(STDERR_FILENO);
        dup2(file, STDERR_FILENO);
        ::close(file);
    }
    ~StandardErrorCapture()
    {
        dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    StandardErrorCapture(const StandardErrorCapture &) = delete;
    StandardErrorCapture &operator=(const StandardErrorCapture &) = delete;

    QByteArray printed() const { return contentsOf(m_path); }

private:
    QString m_path;
    int m_saved;
};

// A picture saved in `format` as RTF's hexadecimal, cut to `size` bytes.
QByteArray pictureHex(const char *format, qsizetype size)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.first(std::min(size, bytes.size())).toHex();
}

// The command line of a running process, as other users can read it.
QByteArray commandLineOf(qint64 pid)
{
    return contentsOf(QStringLiteral("/proc/%1/cmdline").arg(pid));
}

} // namespace

class QuenzalCliTest : public quenzal::test::TestCase
{
    Q_OBJECT

    ScratchFolder m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The options that give a password: a file holding it, or none.
    QStringList passwordOptions(const QString &one, const QString &two)
    {
        QStringList options;
        const std::pair<QString, QString> passwords[] = {{QStringLiteral("password"), one},
                                                         {QStringLiteral("second-password"), two}};
        for (const auto &[option, password] : passwords) {
            if (password.isEmpty()) {
                options << QStringLiteral("--no-%1").arg(option);
                continue;
            }
            writeFile(path(option), password.toUtf8() + '\n');
            options << QStringLiteral("--%1-file").arg(option) << path(option);
        }
        return options;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void cleanup() { m_dir.empty(); }

    // The window's Open, Scramble or Unscramble and Save against the program
    // on the same file: `in` and `out` are the kinds of file ("txt", "rtf"),
    // or "-" for the program's standard input or output (a .txt file for
    // the window).
    void sameBytesAsTheWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("one");
        QTest::addColumn<QString>("two");
        QTest::addColumn<bool>("scramble");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        const QString printable =
            QStringLiteral("Meet me at noon, by the old mill (bring 2 maps)!");
        const QString breaks = QStringLiteral("a\rb\nc\r\n\nd\r\re\n");
        const QString one = QStringLiteral("Äpfel & €uros");
        const QString two = QStringLiteral("second");
        for (const bool scramble : {true, false}) {
            const char *way = scramble ? "scramble" : "unscramble";
            QTest::addRow("printable, %s", way) << printable << one << two << scramble << "txt"
                                                << "txt";
            QTest::addRow("every code, %s", way) << everyCode() << one << two << scramble << "txt"
                                                 << "txt";
            QTest::addRow("every code, rtf to rtf, %s", way)
                << everyCode() << one << two << scramble << "rtf"
                << "rtf";
            QTest::addRow("every code, txt to rtf, %s", way)
                << everyCode() << one << two << scramble << "txt"
                << "rtf";
            QTest::addRow("every code, rtf to txt, %s", way)
                << everyCode() << one << two << scramble << "rtf"
                << "txt";
            QTest::addRow("lone CR and LF, %s", way) << breaks << one << two << scramble << "txt"
                                                     << "txt";
            QTest::addRow("lone CR and LF, rtf to rtf, %s", way)
                << breaks << one << two << scramble << "rtf"
                << "rtf";
            QTest::addRow("empty text, %s", way) << QString() << one << two << scramble << "txt"
                                                 << "txt";
            QTest::addRow("empty text, rtf to rtf, %s", way)
                << QString() << one << two << scramble << "rtf"
                << "rtf";
            QTest::addRow("empty passwords, %s", way)
                << everyCode() << QString() << QString() << scramble << "txt"
                << "rtf";
            QTest::addRow("standard streams, %s", way)
                << everyCode() << one << QString() << scramble << "-"
                << "-";
            QTest::addRow("standard input to rtf, %s", way)
                << breaks << QString() << two << scramble << "-"
                << "rtf";
            QTest::addRow("rtf to standard output, %s", way)
                << breaks << one << two << scramble << "rtf"
                << "-";
        }
        // A document from another program, formatting and all: its exact text.
        QTest::newRow("a WordPad document")
            << QStringLiteral("corpus:wordpad-formatting-01.rtf") << one << two << true << "rtf"
            << "txt";
        // Pictures, whole and damaged: the window shows what it can, quietly;
        // quenzal-cli does not decode them.
        QTest::newRow("pictures") << QString::fromLatin1(
                                         "rtf:{\\rtf1 a{\\pict\\pngblip " +
                                         pictureHex("PNG", 1 << 20) + "}b{\\pict\\pngblip " +
                                         pictureHex("PNG", 60) + "}c{\\pict\\jpegblip " +
                                         pictureHex("JPEG", 400) + "}d}")
                                  << one << two << true << "rtf"
                                  << "txt";
    }

    void sameBytesAsTheWindow()
    {
        QFETCH(QString, text);
        QFETCH(QString, one);
        QFETCH(QString, two);
        QFETCH(bool, scramble);
        QFETCH(QString, in);
        QFETCH(QString, out);

        const QString input =
            path(QStringLiteral("in.") + (in == u'-' ? QStringLiteral("txt") : in));
        if (text.startsWith(QLatin1String("corpus:")))
            QVERIFY(QFile::copy(QStringLiteral(QUENZAL_RTF_CORPUS "/") + text.mid(7), input));
        else if (text.startsWith(QLatin1String("rtf:")))
            writeFile(input, text.mid(4).toLatin1());
        else
            writeFile(input,
                      in == QLatin1String("rtf") ? richTextOf(text) : CodePage::encode(text));

        const QString fromWindow =
            path(QStringLiteral("window.") + (out == u'-' ? QStringLiteral("txt") : out));
        {
            const StandardErrorCapture standardError(path(QStringLiteral("window errors")));
            MainWindowFixture f;
            f.fakes.fileDialogs.answers << input << fromWindow;
            f.window->Toolbar1_ButtonClick(QStringLiteral("openfile"));
            f.txtPasswordOne->setText(one);
            f.txtPasswordTwo->setText(two);
            scramble ? f.window->cmdLOCK_Click() : f.window->Command1_Click();
            f.window->Toolbar1_ButtonClick(QStringLiteral("savefile"));
            QCOMPARE(f.fakes.messages.calls.size(), 0);
            QCOMPARE(standardError.printed(), QByteArray());
        }

        const QString fromCli = path(QStringLiteral("cli.") + out);
        QStringList arguments = {
            scramble ? QStringLiteral("scramble") : QStringLiteral("unscramble"),
            in == u'-' ? QStringLiteral("-") : input, out == u'-' ? QStringLiteral("-") : fromCli};
        Cli cli(arguments + passwordOptions(one, two));
        QVERIFY(cli.run(in == u'-' ? contentsOf(input) : QByteArray()));
        QCOMPARE(cli.errors(), QString());
        QCOMPARE(cli.process.exitCode(), 0);
        const QByteArray result = out == u'-' ? cli.output() : contentsOf(fromCli);
        QCOMPARE(result, contentsOf(fromWindow));
    }

    // Past the window's 8,000 characters, past the position whose square
    // leaves 32 bits (46,341), and across the program's blocks.
    void longTextsRoundTrip_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("8,001") << 8001;
        QTest::newRow("46,342") << 46342;
        QTest::newRow("600,000") << 600000;
    }

    void longTextsRoundTrip()
    {
        QFETCH(int, length);
        QByteArray codes(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i)
            codes[i] = char(1 + (qint64(i) * 7919) % 255);
        const QString one = QStringLiteral("long"), two = QStringLiteral("longer");
        writeFile(path(QStringLiteral("in.txt")), codes);

        Cli scramble(QStringList{QStringLiteral("scramble"), path(QStringLiteral("in.txt")),
                                 path(QStringLiteral("out.txt"))} +
                     passwordOptions(one, two));
        QVERIFY(scramble.run());
        QCOMPARE(scramble.process.exitCode(), 0);
        const QByteArray scrambled = contentsOf(path(QStringLiteral("out.txt")));
        QVERIFY(scrambled == reference(CodePage::decode(codes), one, two, true));

        Cli unscramble(QStringList{QStringLiteral("unscramble")} + passwordOptions(one, two));
        QVERIFY(unscramble.run(scrambled));
        QCOMPARE(unscramble.process.exitCode(), 0);
        QVERIFY(unscramble.output() == codes);
    }

    // Each failure: its one line, its status, and the output file as it was,
    // with nothing left beside it. "%1" stands for the folder of the files,
    // "%2" for the most a file read whole may have, in MiB.
    // A sentence in each code page's language, from a .txt file that iconv
    // wrote, scrambles to the cipher's bytes in that code page: named with
    // --code-page, or the locale's.
    void everyLanguage_data() { addLanguageRows(); }

    void everyLanguage()
    {
        QFETCH(int, codePage);
        QFETCH(QString, locale);
        QFETCH(QString, sentence);
        const QByteArray bytes = iconvBytes(sentence, codePage);
        const QString password = sentence.left(3);
        const QByteArray expected = referenceCipher(bytes, iconvBytes(password, codePage), {});
        writeFile(path(QStringLiteral("in.txt")), bytes);
        for (const bool fromLocale : {false, true}) {
            QStringList arguments = {u"scramble"_s, path(QStringLiteral("in.txt"))};
            if (!fromLocale)
                arguments << u"--code-page"_s << QString::number(codePage);
            Cli cli(arguments + passwordOptions(password, {}));
            if (fromLocale) {
                QProcessEnvironment environment = cli.process.processEnvironment();
                environment.insert(QStringLiteral("LC_ALL"), locale);
                cli.process.setProcessEnvironment(environment);
            }
            QVERIFY(cli.run());
            QCOMPARE(cli.errors(), QString());
            QCOMPARE(cli.output(), expected);
        }
    }

    void failuresLeaveTheOutputAsItWas_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("standardOutput"); // a file in place of a pipe
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("standardInput"); // a file in place of a pipe
        const QString none = QStringLiteral("--no-password"),
                      noSecond = QStringLiteral("--no-second-password");
        const auto row = [&](const char *name, const QStringList &arguments, int status,
                             const QString &message, const QString &standardOutput = {},
                             int limit = 0, const QString &standardInput = {}) {
            QTest::newRow(name) << arguments << standardOutput << limit << status << message
                                << standardInput;
        };
        row("no such code page",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, none, noSecond, u"--code-page"_s,
             u"1200"_s},
            2,
            u"--code-page takes one of 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257 and "_s
            u"1258, not \"1200\". (quenzal-cli --help lists the options and commands.)"_s);
        row("code page for bytes",
            {u"encrypt"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, u"--code-page"_s, u"1251"_s}, 2,
            u"--code-page is for scramble and unscramble: encrypt reads and writes bytes. "_s
            u"(quenzal-cli --help lists the options and commands.)"_s);
        row("missing input", {u"scramble"_s, u"%1/gone.txt"_s, u"%1/out.txt"_s, none, noSecond}, 4,
            u"Could not read \"%1/gone.txt\": No such file or directory."_s);
        row("folder as input", {u"scramble"_s, u"%1/folder.txt"_s, u"%1/out.txt"_s, none, noSecond},
            5, u"Could not read \"%1/folder.txt\": It is a folder, not a file."_s);
        row("folder as output", {u"scramble"_s, u"%1/in.txt"_s, u"%1"_s, none, noSecond}, 8,
            u"Could not write \"%1\": It is a folder, not a file."_s);
        row("device as input", {u"scramble"_s, u"/dev/null"_s, u"%1/out.txt"_s, none, noSecond}, 5,
            u"Could not read \"/dev/null\": It is a device, not a regular file."_s);
        row("input that is not rich text",
            {u"scramble"_s, u"%1/plain.rtf"_s, u"%1/out.rtf"_s, none, noSecond}, 5,
            u"Could not read \"%1/plain.rtf\": The file is not rich text: it does not begin with "_s
            u"{\\rtf."_s);
        row("input of another kind",
            {u"scramble"_s, u"%1/in.doc"_s, u"%1/out.txt"_s, none, noSecond}, 6,
            u"Only .txt and .rtf files can be read; \"%1/in.doc\" was not read."_s);
        row("output of another kind",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.TXT"_s, none, noSecond}, 6,
            u"Only .txt and .rtf files can be written; \"%1/out.TXT\" was not written."_s);
        row("text the code page cannot hold",
            {u"scramble"_s, u"%1/emoji.rtf"_s, u"%1/out.txt"_s, none, noSecond}, 7,
            QStringLiteral("The text contains a character that cannot be scrambled: \"😀\" "
                           "(U+1F600) at character 3. Windows-1252 (Western European), the code "
                           "page in force, has no such character."));
        row("password the code page cannot hold",
            {u"unscramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, none, u"--second-password-file"_s,
             u"%1/bad-password"_s},
            7,
            QStringLiteral("The second password contains a character that cannot be unscrambled: "
                           "\"ł\" (U+0142) at character 2. Windows-1252 (Western European), the "
                           "code page in force, has no such character; Windows-1250 (Central "
                           "European) has it."));
        row("missing password file",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, u"--password-file"_s, u"%1/gone"_s,
             noSecond},
            3, u"Could not read the first password from \"%1/gone\": No such file or directory."_s);
        row("closed descriptor",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, u"--password-fd"_s, u"99"_s, noSecond},
            3, u"Could not read the first password from descriptor 99: Bad file descriptor."_s);
        row("no password and no terminal",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, noSecond}, 2,
            u"No first password: there is no terminal to ask for it on; give --password-file, "_s
            u"--password-fd or --no-password."_s);
        row("empty password file",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, u"--password-file"_s, u"%1/empty"_s,
             noSecond},
            3,
            u"Could not read the first password from \"%1/empty\": It is empty (an empty "_s
            u"password is given with --no-password)."_s);
        row("descriptor that ends before a line",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, u"--password-fd"_s, u"0"_s, noSecond},
            3,
            u"Could not read the first password from descriptor 0: It ended before a line (an "_s
            u"empty password is given with --no-password)."_s,
            {}, 0, u"/dev/null"_s);
        row("one line for both passwords",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, u"--password-fd"_s, u"0"_s,
             u"--second-password-fd"_s, u"0"_s},
            3,
            u"Could not read the second password from descriptor 0: It ended before a line (an "_s
            u"empty password is given with --no-second-password)."_s,
            {}, 0, u"%1/bad-password"_s);
        row("password file that is not UTF-8",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, u"--password-file"_s, u"%1/latin-1"_s,
             noSecond},
            3,
            u"Could not read the first password from \"%1/latin-1\": It is not UTF-8 text, as "_s
            u"passwords are read."_s);
        row("standard input closed",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, none, noSecond}, 5,
            u"Standard input is closed: open it, or give it nothing with </dev/null."_s, {}, 0,
            u"closed"_s);
        row("standard output closed", {u"scramble"_s, u"%1/in.txt"_s, none, noSecond}, 8,
            u"Standard output is closed: open it, or throw the result away with >/dev/null."_s,
            u"closed"_s);
        row("unknown option", {u"scramble"_s, u"--pasword-file"_s, u"%1/in.txt"_s}, 2,
            u"Unknown option \"--pasword-file\". (quenzal-cli --help lists the options and "_s
            u"commands.)"_s);
        row("one password two ways",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, none, u"--password-fd"_s, u"0"_s,
             noSecond},
            2,
            u"Give each password one way only: --password-file, --password-fd or --no-password. "_s
            u"(quenzal-cli --help lists the options and commands.)"_s);
        row("password from the text's own input",
            {u"scramble"_s, u"-"_s, u"%1/out.txt"_s, none, u"--second-password-fd"_s, u"0"_s}, 2,
            u"Standard input holds the text: read the passwords from another descriptor or a file. "_s
            u"(quenzal-cli --help lists the options and commands.)"_s);
        row("unknown command", {u"shuffle"_s, u"%1/in.txt"_s, u"%1/out.txt"_s}, 2,
            u"Unknown command \"shuffle\": use scramble, unscramble, encrypt or decrypt. "_s
            u"(quenzal-cli --help lists the options and commands.)"_s);
        row("output in a missing folder, told before asking for passwords",
            {u"scramble"_s, u"%1/in.txt"_s, u"%1/gone/out.txt"_s}, 8,
            u"Could not write \"%1/gone/out.txt\": No such file or directory."_s);
        row("output cut off", {u"scramble"_s, u"%1/in.txt"_s, u"%1/out.txt"_s, none, noSecond}, 8,
            u"Could not write \"%1/out.txt\": File too large."_s, {}, 3);
        row("full disk", {u"scramble"_s, u"%1/in.txt"_s, none, noSecond}, 9,
            u"Could not write standard output: No space left on device."_s, u"/dev/full"_s);
        row("code 0 in a text held whole",
            {u"scramble"_s, u"%1/zero.txt"_s, u"%1/out.rtf"_s, none, noSecond}, 7,
            u"The text contains a character that cannot be scrambled: U+0000 at character 5."_s);
        row("a name with a character that would not show",
            {u"scramble"_s, u"%1/gone\u202Etxt.exe.txt"_s, u"%1/out.txt"_s, none, noSecond}, 4,
            u"Could not read \"%1/gone<U+202E>txt.exe.txt\": No such file or directory."_s);
        row("standard input too large to hold for .rtf",
            {u"unscramble"_s, u"-"_s, u"%1/out.rtf"_s, none, noSecond}, 5,
            u"Could not read standard input: The text is too large to hold whole (more than "_s
            u"%2 MiB)."_s,
            {}, 0, u"%1/sparse.txt"_s);
        row(".rtf result too large to be read again",
            {u"scramble"_s, u"%1/tabs.txt"_s, u"%1/out.rtf"_s, none, noSecond}, 8,
            u"Could not write \"%1/out.rtf\": As Rich Text Format the text would take more "_s
            u"than %2 MiB, the most an .rtf file can have to be read again."_s);
    }

    void failuresLeaveTheOutputAsItWas()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, standardOutput);
        QFETCH(int, fileSizeLimit);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, standardInput);
        const QByteArray old = "the old output";
        writeFile(path(QStringLiteral("in.txt")), "some text");
        writeFile(path(QStringLiteral("zero.txt")), QByteArray("some\0text", 9));
        writeFile(path(QStringLiteral("sparse.txt")), {});
        QVERIFY(QFile::resize(path(QStringLiteral("sparse.txt")), 300 * kMiB)); // no disk used
        if (arguments.contains(u"%1/tabs.txt"_s)) {
            // Scrambled, a tab each, which Rich Text Format writes in five bytes.
            QByteArray codes(kMaxReadBytes / 5 + kMiB, '\t');
            const auto span = std::span(reinterpret_cast<std::uint8_t *>(codes.data()),
                                        std::size_t(codes.size()));
            scrambleCodesTwice(span, span, 0, 0, false);
            writeFile(path(QStringLiteral("tabs.txt")), codes);
        }
        writeFile(path(QStringLiteral("plain.rtf")), "some text");
        writeFile(path(QStringLiteral("emoji.rtf")), richTextOf(QStringLiteral("ab😀")));
        writeFile(path(QStringLiteral("bad-password")), QStringLiteral("pł\n").toUtf8());
        writeFile(path(QStringLiteral("latin-1")), QStringLiteral("pä\n").toLatin1());
        writeFile(path(QStringLiteral("empty")), {});
        writeFile(path(QStringLiteral("out.txt")), old);
        writeFile(path(QStringLiteral("out.rtf")), old);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.txt")));
        const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

        for (QString &argument : arguments)
            argument.replace(QLatin1String("%1"), m_dir.path());
        Cli cli(arguments);
        const int closed = standardInput == u"closed" ? 0 : standardOutput == u"closed" ? 1 : -1;
        if (closed >= 0)
            cli.childSetup = [closed] { ::close(closed); };
        else if (!standardOutput.isEmpty())
            cli.process.setStandardOutputFile(standardOutput);
        if (!standardInput.isEmpty() && closed < 0)
            cli.process.setStandardInputFile(
                QString(standardInput).replace(QLatin1String("%1"), m_dir.path()));
        if (fileSizeLimit > 0)
            cli.childSetup = [fileSizeLimit] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            };
        QVERIFY(cli.run());
        QCOMPARE(cli.errors(), QStringLiteral("quenzal-cli: %1\n")
                                   .arg(QString(message)
                                            .replace(QLatin1String("%1"), m_dir.path())
                                            .replace(QLatin1String("%2"),
                                                     QString::number(kMaxReadBytes / kMiB))));
        QCOMPARE(cli.process.exitCode(), status);
        QCOMPARE(contentsOf(path(QStringLiteral("out.txt"))), old);
        QCOMPARE(contentsOf(path(QStringLiteral("out.rtf"))), old);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    }

    // A named output goes through the one writer: what is not a regular file
    // is refused and left alone, with nothing left beside it, and a file
    // written in place is left as it was when the input fails before any of
    // it is read.
    void outputKeepsWhatItIs_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("inputFails");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("a link to a device")
            << "link to /dev/null" << false << 8
            << "Could not write \"%1/out.txt\": It is a device, not a regular file.";
        QTest::newRow("a hard-linked file, the input failing")
            << "hard link to real.txt" << true << 5
            << "Could not read standard input: Is a directory.";
    }

    void outputKeepsWhatItIs()
    {
        QFETCH(QString, target);
        QFETCH(bool, inputFails);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QByteArray out = QFile::encodeName(path(QStringLiteral("out.txt")));
        const QByteArray real = QFile::encodeName(path(QStringLiteral("real.txt")));
        writeFile(path(QStringLiteral("in.txt")), "some text");
        writeFile(path(QStringLiteral("real.txt")), "the old output");
        if (target == QLatin1String("link to /dev/null"))
            QVERIFY(::symlink("/dev/null", out.constData()) == 0);
        else
            QVERIFY(::link(real.constData(), out.constData()) == 0);
        struct stat before;
        QVERIFY(::lstat(out.constData(), &before) == 0);
        const QStringList names = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

        // A folder as standard input opens, and fails at the first read.
        Cli cli({QStringLiteral("scramble"),
                 inputFails ? QStringLiteral("-") : path(QStringLiteral("in.txt")),
                 QString::fromLocal8Bit(out), QStringLiteral("--no-password"),
                 QStringLiteral("--no-second-password")});
        if (inputFails) {
            cli.process.setStandardInputFile(m_dir.path());
            cli.process.start();
            QVERIFY(cli.process.waitForFinished(kPatience));
        } else {
            QVERIFY(cli.run());
        }
        QCOMPARE(cli.errors(), message.isEmpty()
                                   ? QString()
                                   : QStringLiteral("quenzal-cli: %1\n")
                                         .arg(message.replace(QLatin1String("%1"), m_dir.path())));
        QCOMPARE(cli.process.exitCode(), status);
        struct stat after;
        QVERIFY(::lstat(out.constData(), &after) == 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), names);
        QCOMPARE(contentsOf(path(QStringLiteral("real.txt"))),
                 status == 0 ? reference(QStringLiteral("some text"), {}, {}, true)
                             : QByteArray("the old output"));
    }

    // A file that can only be written in place (it has another name, another
    // owner, or a folder where no new file can be made) is cut down when the
    // first block of the result is ready. Nothing is lost when it is the input
    // itself, by any name, and a refusal leaves it as it was. The text spans
    // more than one of the program's blocks. The input is in.txt; "%1" stands
    // for the folder, "%2" for the most a file read whole may have, in MiB.
    void writingInPlaceLosesNothing_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("inPlace");   // why the output is written in place
        QTest::addColumn<QString>("input"); // "file", "redirected" from it, or "pipe"
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("zeroAt"); // where a code 0 is, from 1; 0: nowhere
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *output, InPlace why, const char *input,
                            int zeroAt = 0, int status = 0, const QString &message = {},
                            qint64 size = 1536 * 1024) {
            QTest::newRow(name) << QString::fromLatin1(output) << int(why)
                                << QString::fromLatin1(input) << size << zeroAt << status
                                << message;
        };
        const QString zero = QStringLiteral("The text contains a character that cannot be "
                                            "scrambled: U+0000 at character 1300000.");
        row("the input, with another name", "in.txt", InPlace::Linked, "file");
        row("the input by its other name", "other.txt", InPlace::Linked, "file");
        row("the input, another user's", "in.txt", InPlace::OtherOwner, "file");
        row("the input, in a read-only folder", "in.txt", InPlace::ReadOnlyFolder, "file");
        row("standard input redirected from it", "in.txt", InPlace::Linked, "redirected");
        row("the input, too large to hold", "in.txt", InPlace::Linked, "file", 0, 8,
            u"Could not write \"%1/in.txt\": It is also the input and can only be written in "_s
            u"place, so the text is read whole first, and it has more than %2 MiB."_s,
            300 * kMiB);
        row("code 0 late, from another file", "out.txt", InPlace::Linked, "file", 1300000, 7, zero);
        row("code 0 late, from a pipe", "out.txt", InPlace::Linked, "pipe", 1300000, 7, zero);
        row("code 0 late, replacing the output", "out.txt", InPlace::No, "file", 1300000, 7, zero);
    }

    void writingInPlaceLosesNothing()
    {
        QFETCH(QString, output);
        QFETCH(int, inPlace);
        QFETCH(QString, input);
        QFETCH(qint64, size);
        QFETCH(int, zeroAt);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QString in = path(QStringLiteral("in.txt")), out = path(output);
        QByteArray text(1536 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = char(1 + (i * 7919) % 255);
        if (zeroAt > 0)
            text[zeroAt - 1] = 0;
        const auto link = [](const QString &from, const QString &to) {
            return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
        };
        writeFile(in, text);
        QVERIFY(QFile::resize(in, size));
        if (output == u"other.txt")
            QCOMPARE(link(in, out), 0);
        else if (output != u"in.txt")
            writeFile(out, "the old output");
        // As root, the program runs as nobody for a folder nobody may change.
        const bool asNobody = InPlace(inPlace) == InPlace::ReadOnlyFolder && ::geteuid() == 0;
        switch (InPlace(inPlace)) {
        case InPlace::No:
            break;
        case InPlace::Linked:
            if (output != u"other.txt")
                QCOMPARE(link(out, path(QStringLiteral("second name"))), 0);
            break;
        case InPlace::OtherOwner:
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another user");
            QCOMPARE(::chown(QFile::encodeName(out).constData(), kNobody, 0), 0);
            break;
        case InPlace::ReadOnlyFolder:
            if (asNobody)
                QCOMPARE(::chown(QFile::encodeName(out).constData(), kNobody, kNobody), 0);
            QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 0555), 0);
            break;
        }
        struct stat before;
        QVERIFY(::stat(QFile::encodeName(out).constData(), &before) == 0);

        Cli cli({QStringLiteral("scramble"), input == u"file" ? in : QStringLiteral("-"), out,
                 QStringLiteral("--no-password"), QStringLiteral("--no-second-password")});
        if (input == u"redirected")
            cli.process.setStandardInputFile(in);
        if (asNobody)
            cli.childSetup = [] {
                ::setgroups(0, nullptr);
                if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                    std::_Exit(127);
            };
        const bool ran = cli.run(input == u"pipe" ? text : QByteArray());
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        QVERIFY(ran);
        QCOMPARE(cli.errors(), message.isEmpty()
                                   ? QString()
                                   : QStringLiteral("quenzal-cli: %1\n")
                                         .arg(message.replace(QLatin1String("%1"), m_dir.path())
                                                  .replace(QLatin1String("%2"),
                                                           QString::number(kMaxReadBytes / kMiB))));
        QCOMPARE(cli.process.exitCode(), status);
        struct stat after;
        QVERIFY(::stat(QFile::encodeName(out).constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        if (status != 0) { // not written at all
            QCOMPARE(after.st_size, before.st_size);
            QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
            QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
            return;
        }
        QByteArray scrambled = text;
        const auto codes = std::span(reinterpret_cast<std::uint8_t *>(scrambled.data()),
                                     std::size_t(scrambled.size()));
        scrambleCodesTwice(codes, codes, 0, 0, true);
        QVERIFY(contentsOf(out) == scrambled);
    }

    // The same passwords from a file, a descriptor and the terminal give the
    // same result, and none of them is ever on the program's command line.
    void passwordSourcesAgree_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("files") << "files";
        QTest::newRow("standard input as a descriptor") << "descriptor 0";
        QTest::newRow("another descriptor") << "descriptor 3";
        QTest::newRow("terminal") << "terminal";
    }

    void passwordSourcesAgree()
    {
        QFETCH(QString, source);
        const QString one = QStringLiteral("Äpfel"), two = QStringLiteral("Birnen");
        const QByteArray typed = (one + u'\n' + two + u'\n').toUtf8();
        writeFile(path(QStringLiteral("in.txt")), CodePage::encode(everyCode()));
        writeFile(path(QStringLiteral("typed")), typed);
        QStringList arguments = {QStringLiteral("scramble"), path(QStringLiteral("in.txt")),
                                 path(QStringLiteral("out.txt"))};

        PseudoTerminal terminal;
        QVERIFY(terminal.master >= 0);
        if (source == QLatin1String("files")) {
            arguments += passwordOptions(one, two);
        } else if (source == QLatin1String("descriptor 0")) {
            arguments << QStringLiteral("--password-fd") << QStringLiteral("0")
                      << QStringLiteral("--second-password-fd") << QStringLiteral("0");
        } else if (source == QLatin1String("descriptor 3")) {
            arguments << QStringLiteral("--password-fd") << QStringLiteral("3")
                      << QStringLiteral("--second-password-fd") << QStringLiteral("3");
        }
        Cli cli(arguments);
        const int typedFile =
            ::open(QFile::encodeName(path(QStringLiteral("typed"))).constData(), O_RDONLY);
        QVERIFY(typedFile >= 0);
        if (source == QLatin1String("descriptor 3"))
            cli.childSetup = [typedFile] { dup2(typedFile, 3); };
        if (source == QLatin1String("terminal"))
            cli.terminal = terminal.name();

        cli.process.start();
        QVERIFY(cli.process.waitForStarted(kPatience));
        // Read while the program waits for a password, if it does.
        const bool waits =
            source == QLatin1String("terminal") || source == QLatin1String("descriptor 0");
        // The child's command line shows the program once its exec is through.
        QByteArray commandLine;
        if (waits)
            QTRY_VERIFY_WITH_TIMEOUT(
                (commandLine = commandLineOf(cli.process.processId())).startsWith(QUENZAL_CLI),
                kPatience);
        if (source == QLatin1String("terminal")) {
            // Each password is typed twice, each time once its prompt shows.
            for (const QString &password : {one, two}) {
                const QByteArray prompt = password == one ? "First password" : "Second password";
                for (const QByteArray &asked : {prompt + ": ", prompt + " again: "}) {
                    QTRY_VERIFY_WITH_TIMEOUT(terminal.showsLast(asked), kPatience);
                    QVERIFY(terminal.type((password + u'\n').toUtf8()));
                }
            }
        } else if (source == QLatin1String("descriptor 0")) {
            cli.process.write(typed);
        }
        cli.process.closeWriteChannel();
        QVERIFY(cli.process.waitForFinished(kPatience));
        ::close(typedFile);
        terminal.showsLast({});
        QCOMPARE(cli.process.exitCode(), 0);
        QCOMPARE(contentsOf(path(QStringLiteral("out.txt"))),
                 reference(everyCode(), one, two, true));
        for (const QString &password : {one, two}) {
            QVERIFY(!commandLine.contains(password.toUtf8()));
            QVERIFY(!terminal.shown.contains(password.toUtf8()));
        }
    }

    // A program whose modules are missing says which part it lacks and
    // writes nothing; plain text needs neither module.
    void missingModuleIsTold_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("lacking"); // nothing for a run that succeeds
        const QString none = QStringLiteral("--no-password"),
                      noSecond = QStringLiteral("--no-second-password");
        const QString richText = QStringLiteral("reads and writes Rich Text Format"),
                      messages = QStringLiteral("encrypts and decrypts messages");
        QTest::newRow(".rtf input")
            << QStringList{u"scramble"_s, u"in.rtf"_s, u"out.txt"_s, none, noSecond} << richText;
        QTest::newRow(".rtf output")
            << QStringList{u"unscramble"_s, u"in.txt"_s, u"out.rtf"_s, none, noSecond} << richText;
        QTest::newRow("encrypt") << QStringList{u"encrypt"_s, u"in.txt"_s, u"out.txt"_s,
                                                u"--password-file"_s, u"in.txt"_s}
                                 << messages;
        QTest::newRow("plain text")
            << QStringList{u"scramble"_s, u"in.txt"_s, u"out.txt"_s, none, noSecond} << QString();
    }

    void missingModuleIsTold()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, lacking);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("bin")));
        const QString program = path(QStringLiteral("bin/quenzal-cli"));
        QVERIFY(QFile::copy(QStringLiteral(QUENZAL_CLI), program));
        writeFile(path(QStringLiteral("in.txt")), "some text\n");
        writeFile(path(QStringLiteral("in.rtf")), richTextOf(QStringLiteral("some text")));

        Cli cli(arguments);
        cli.process.setProgram(program);
        cli.process.setWorkingDirectory(m_dir.path());
        QVERIFY(cli.run());
        if (lacking.isEmpty()) {
            QCOMPARE(cli.errors(), QString());
            QCOMPARE(cli.process.exitCode(), 0);
            return;
        }
        QVERIFY2(cli.errors().startsWith(u"quenzal-cli: Could not load the part of the program "
                                         "that %1 (\""_s.arg(lacking) +
                                         m_dir.path()),
                 qPrintable(cli.errors()));
        QCOMPARE(cli.process.exitCode(), 15);
        QVERIFY(!QFile::exists(path(QStringLiteral("out.txt"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("out.rtf"))));
    }
};

QTEST_MAIN(QuenzalCliTest)
#include "QuenzalCliTest.moc"
