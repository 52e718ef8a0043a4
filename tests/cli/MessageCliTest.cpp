#include "Cli.h"
#include "Gpg.h"
#include "ScratchFolder.h"
#include "TestCase.h"

#include <QDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

using namespace quenzal::test;

namespace {

const QByteArray password = "Äpfel und Birnen";

QByteArray plainBytes()
{
    QByteArray bytes = "A letter\r\nwith\revery\nbreak.\n";
    for (int code = 0; code < 256; ++code)
        bytes.append(char(code));
    return bytes;
}

// Each line of `text` quoted by a reply.
QByteArray quoted(const QByteArray &text)
{
    QByteArray result = "Ann wrote:\r\n";
    for (const QByteArray &line : text.split('\n'))
        result += "> " + line + "\r\n";
    return result;
}

// Whether a gpg-agent runs for a home in `folder`.
bool agentRunsUnder(const QString &folder)
{
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"),
                {QStringLiteral("-f"), QStringLiteral("gpg-agent --homedir ") + folder});
    pgrep.waitForFinished(kPatience);
    return pgrep.exitCode() == 0;
}

} // namespace

class MessageCliTest : public quenzal::test::TestCase
{
    Q_OBJECT

    ScratchFolder m_dir;
    Gpg m_gpg;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QByteArray gpgEncrypts(const QStringList &arguments, const QByteArray &plain = plainBytes())
    {
        const Gpg::Run run =
            m_gpg.run(QStringList{QStringLiteral("--symmetric")} + arguments, password, plain);
        if (run.exitCode != 0)
            qFatal("gpg failed: %s", run.errors.constData());
        return run.output;
    }

    QStringList withPassword(QStringList arguments)
    {
        writeFile(path(QStringLiteral("password")), password + "\n");
        return arguments << QStringLiteral("--password-file") << path(QStringLiteral("password"));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() { m_dir.empty(); }

    // gpg reads what quenzal-cli writes and the other way round, to standard
    // output and to a named file.
    void interoperates_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("named");
        const QStringList none, armour{QStringLiteral("--armor")};
        const QStringList binary{QStringLiteral("--binary")};
        QTest::newRow("encrypt to standard output") << "encrypt" << none << false;
        QTest::newRow("encrypt --binary to a file") << "encrypt" << binary << true;
        QTest::newRow("decrypt armour to standard output") << "decrypt" << armour << false;
        QTest::newRow("decrypt binary to a file") << "decrypt" << none << true;
        QTest::newRow("decrypt a quoted reply") << "quoted" << armour << true;
    }

    void interoperates()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, options);
        QFETCH(bool, named);
        const QString in = path(QStringLiteral("in")), out = path(QStringLiteral("out"));
        const bool encrypting = command == QLatin1String("encrypt");
        if (encrypting)
            writeFile(in, plainBytes());
        else if (command == QLatin1String("quoted"))
            writeFile(in, quoted(gpgEncrypts(options)));
        else
            writeFile(in, gpgEncrypts(options));
        QStringList arguments{encrypting ? command : QStringLiteral("decrypt"), in};
        if (named)
            arguments << out;
        Cli cli(withPassword(encrypting ? arguments + options : arguments));
        // gpg's private folder goes where temporary files go.
        const QString temporary = path(QStringLiteral("temporary"));
        QVERIFY(QDir().mkpath(temporary));
        QProcessEnvironment environment = cli.process.processEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), temporary);
        cli.process.setProcessEnvironment(environment);
        QVERIFY(cli.run());
        QVERIFY2(cli.process.exitCode() == 0, qPrintable(cli.errors()));
        // Gone at the end, and its agent with it.
        QVERIFY(QDir(temporary).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!agentRunsUnder(temporary), kPatience);
        const QByteArray result = named ? contentsOf(out) : cli.output();
        if (!encrypting) {
            QCOMPARE(result, plainBytes());
            return;
        }
        QCOMPARE(result.startsWith("-----BEGIN PGP MESSAGE-----"), options.isEmpty());
        const Gpg::Run decrypted = m_gpg.run({QStringLiteral("--decrypt")}, password, result);
        QVERIFY2(decrypted.exitCode == 0, decrypted.errors.constData());
        QCOMPARE(decrypted.output, plainBytes());
    }

    // Each refusal has its own status and one line, and writes nothing:
    // no byte on standard output, an existing file left whole, no
    // temporary file left beside it.
    void refusesAndWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("named");
        const QByteArray armoured = gpgEncrypts({QStringLiteral("--armor")});
        const QByteArray binary = gpgEncrypts({});
        QByteArray changedCharacter = armoured;
        const qsizetype middle = armoured.indexOf("\n\n") + 20;
        changedCharacter[middle] = changedCharacter[middle] == 'A' ? 'B' : 'A';
        QByteArray changedByte = binary;
        changedByte[changedByte.size() - 1] = char(changedByte.back() ^ 0x40);
        // Longer than what gpg's output is gathered into before it is passed on.
        QByteArray longPlain(3 * 1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < longPlain.size(); ++i)
            longPlain[i] = char((i * 7919) % 251);
        QByteArray changedLong =
            gpgEncrypts({QStringLiteral("--compress-algo"), QStringLiteral("none")}, longPlain);
        changedLong[changedLong.size() - 1] = char(changedLong.back() ^ 0x40);
        for (const bool named : {false, true}) {
            const char *where = named ? "a file" : "standard output";
            QTest::addRow("wrong password, %s", where)
                << armoured << QByteArray("wrong") << 10 << named;
            QTest::addRow("changed armour character, %s", where)
                << changedCharacter << password << 11 << named;
            QTest::addRow("changed byte, checksum made anew, %s", where)
                << armourOf(changedByte) << password << 12 << named;
            QTest::addRow("truncated, %s", where)
                << armoured.first(armoured.size() * 2 / 3) << password << 11 << named;
            QTest::addRow("no message, %s", where) << plainBytes() << password << 13 << named;
            QTest::addRow("changed byte of a long message, %s", where)
                << changedLong << password << 12 << named;
        }
    }

    void refusesAndWritesNothing()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, password);
        QFETCH(int, status);
        QFETCH(bool, named);
        const QString in = path(QStringLiteral("in")), out = path(QStringLiteral("out"));
        writeFile(in, message);
        writeFile(path(QStringLiteral("password")), password + "\n");
        writeFile(out, "the old file");
        QStringList arguments{QStringLiteral("decrypt"), in, QStringLiteral("--password-file"),
                              path(QStringLiteral("password"))};
        if (named)
            arguments << out;
        Cli cli(arguments);
        QVERIFY(cli.run());
        QCOMPARE(cli.process.exitCode(), status);
        QCOMPARE(cli.output(), QByteArray());
        const QString errors = cli.errors();
        QVERIFY2(errors.startsWith(u"quenzal-cli: Could not decrypt ") && errors.count(u'\n') == 1,
                 qPrintable(errors));
        QCOMPARE(contentsOf(out), QByteArray("the old file"));
        QCOMPARE(
            QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({QStringLiteral("in"), QStringLiteral("out"), QStringLiteral("password")}));
    }

    // Encrypt asks for the password twice on the terminal and stops when
    // the two entries differ.
    void asksTwice_data()
    {
        QTest::addColumn<QByteArray>("again");
        QTest::addColumn<int>("status");
        QTest::newRow("the same") << password << 0;
        QTest::newRow("different") << QByteArray("Apfel und Birnen") << 3;
    }

    void asksTwice()
    {
        QFETCH(QByteArray, again);
        QFETCH(int, status);
        writeFile(path(QStringLiteral("in")), plainBytes());
        PseudoTerminal terminal;
        QVERIFY(terminal.master >= 0);
        Cli cli({QStringLiteral("encrypt"), path(QStringLiteral("in"))});
        cli.terminal = terminal.name();
        cli.process.start();
        for (const auto &[prompt, typed] : {std::pair{QByteArray("Password: "), password},
                                            std::pair{QByteArray("Password again: "), again}}) {
            QTRY_VERIFY_WITH_TIMEOUT(terminal.showsLast(prompt), kPatience);
            QVERIFY(terminal.type(typed + '\n'));
        }
        QVERIFY(cli.process.waitForFinished(kPatience));
        QCOMPARE(cli.process.exitCode(), status);
        if (status != 0) {
            QCOMPARE(cli.output(), QByteArray());
            QCOMPARE(
                cli.errors(),
                QStringLiteral("quenzal-cli: The two entries of the password differ: nothing was "
                               "encrypted.\n"));
            return;
        }
        const Gpg::Run decrypted = m_gpg.run({QStringLiteral("--decrypt")}, password, cli.output());
        QCOMPARE(decrypted.output, plainBytes());
    }
};

QTEST_GUILESS_MAIN(MessageCliTest)
#include "MessageCliTest.moc"
