#include "messages/Messages.h"
#include "Gpg.h"
#include "TestCase.h"

#include <QTest>

using namespace quenzal;
using namespace quenzal::messages;
using quenzal::test::armourOf;
using quenzal::test::Gpg;

Q_DECLARE_METATYPE(quenzal::messages::Problem)

namespace {

const QByteArray password = "correct horse battery staple";
const QByteArray plainText = "Meet me\r\nat\rnoon\n\xc3\xa9t\xc3\xa9 \x01";

QByteArray everyByte()
{
    QByteArray bytes;
    for (int code = 0; code < 256; ++code)
        bytes.append(char(code));
    return bytes;
}

// Each line of `text` with `before` put in front and `after` behind, ended
// by `end`.
QByteArray relined(const QByteArray &text, const QByteArray &before, const QByteArray &after,
                   const QByteArray &end)
{
    QByteArray result;
    for (const QByteArray &line : text.split('\n'))
        result += before + line + after + end;
    return result;
}

} // namespace

class MessagesTest : public quenzal::test::TestCase
{
    Q_OBJECT

    Gpg m_gpg;
    QByteArray m_armoured; // plainText, as gpg --symmetric --armor writes it
    QByteArray m_binary;   // the same, as gpg --symmetric writes it

    QByteArray gpgEncrypts(const QStringList &arguments, const QByteArray &plain)
    {
        const Gpg::Run run =
            m_gpg.run(QStringList{QStringLiteral("--symmetric")} + arguments, password, plain);
        if (run.exitCode != 0)
            qFatal("gpg failed: %s", run.errors.constData());
        return run.output;
    }

private slots:
    void initTestCase()
    {
        m_armoured = gpgEncrypts({QStringLiteral("--armor")}, plainText);
        m_binary = gpgEncrypts({}, plainText);
    }

    void gpgDecryptsWhatIsEncrypted_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<bool>("armour");
        QTest::newRow("text, armoured") << plainText << true;
        QTest::newRow("every byte, binary") << everyByte() << false;
        QTest::newRow("empty, armoured") << QByteArray() << true;
    }

    void gpgDecryptsWhatIsEncrypted()
    {
        QFETCH(QByteArray, plain);
        QFETCH(bool, armour);
        const auto message = encrypt(plain, password, armour);
        QVERIFY2(message.ok(), qPrintable(message.error().reason));
        QCOMPARE(message->startsWith("-----BEGIN PGP MESSAGE-----\n"), armour);
        const Gpg::Run decrypted = m_gpg.run({QStringLiteral("--decrypt")}, password, *message);
        QVERIFY2(decrypted.exitCode == 0, decrypted.errors.constData());
        QCOMPARE(decrypted.output, plain);
        // What gpg writes by default: the password's key salted and
        // iterated (S2K 3), and integrity protection (MDC).
        const Gpg::Run packets = m_gpg.run({QStringLiteral("--list-packets")}, password, *message);
        QVERIFY2(packets.output.contains("s2k 3, hash 2") &&
                     packets.output.contains("mdc_method: 2"),
                 packets.output.constData());
        QVERIFY(!decrypted.errors.contains("WARNING"));
        QVERIFY(decrypt(*message, password).ok());
    }

    void decryptsWhatGpgEncrypts_data()
    {
        QTest::addColumn<QStringList>("arguments");
        for (const char *cipher : {"AES128", "AES256", "CAMELLIA256"}) {
            for (const char *compress : {"zlib", "none"}) {
                for (const bool armour : {true, false}) {
                    QStringList arguments{
                        QStringLiteral("--cipher-algo"), QString::fromLatin1(cipher),
                        QStringLiteral("--compress-algo"), QString::fromLatin1(compress)};
                    if (armour)
                        arguments << QStringLiteral("--armor");
                    QTest::addRow("%s, %s, %s", cipher, compress, armour ? "armoured" : "binary")
                        << arguments;
                }
            }
        }
    }

    void decryptsWhatGpgEncrypts()
    {
        QFETCH(QStringList, arguments);
        const QByteArray message = gpgEncrypts(arguments, everyByte() + plainText);
        const auto plain = decrypt(message, password);
        QVERIFY2(plain.ok(), qPrintable(plain.error().reason));
        QCOMPARE(*plain, everyByte() + plainText);
    }

    // How channels leave a message: quoted by replies, indented, with
    // blanks after lines, other line breaks and text around it.
    void findsTheMessage_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray m = m_armoured;
        QTest::newRow("as gpg wrote it") << m;
        QTest::newRow("quoted") << relined(m, "> ", "", "\n");
        QTest::newRow("quoted twice") << relined(relined(m, "> ", "", "\n"), "> ", "", "\n");
        QTest::newRow("quoted without blanks, deep") << relined(m, ">>>", "", "\n");
        QTest::newRow("quoted and indented, mixed") << relined(m, " >\t> >", "", "\n");
        QTest::newRow("indented") << relined(m, "    ", "", "\n");
        QTest::newRow("trailing blanks") << relined(m, "", " \t ", "\n");
        QTest::newRow("CR LF") << relined(m, "", "", "\r\n");
        QTest::newRow("CR") << relined(m, "", "", "\r");
        QTest::newRow("quoted reply with CR LF and text around")
            << "On Monday, Ann wrote:\r\n" + relined(m, "> ", "  ", "\r\n") + "\r\nThanks!\r\n";
        QTest::newRow("lines doubled") << relined(m, "", "", "\n\n");
        QTest::newRow("without its last line break") << m.chopped(1);
        QTest::newRow("after a letter whose first byte opens a packet")
            << "\xc3\x89ric wrote:\n" + relined(m, "> ", "", "\n");
        QTest::newRow("binary") << m_binary;
    }

    void findsTheMessage()
    {
        QFETCH(QByteArray, text);
        QVERIFY(holdsMessage(text));
        const auto plain = decrypt(text, password);
        QVERIFY2(plain.ok(), qPrintable(plain.error().reason));
        QCOMPARE(*plain, plainText);
    }

    void refuses_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<Problem>("problem");
        const QByteArray m = m_armoured;
        const qsizetype middle = m.indexOf("\n\n") + 10;
        QByteArray changedCharacter = m;
        changedCharacter[middle] = changedCharacter[middle] == 'A' ? 'B' : 'A';
        QByteArray changedByte = m_binary;
        changedByte[changedByte.size() - 1] = char(changedByte.back() ^ 1);
        const QByteArray noIntegrity = gpgEncrypts(
            {QStringLiteral("--rfc2440"), QStringLiteral("--cipher-algo"), QStringLiteral("CAST5")},
            plainText);

        QTest::newRow("wrong password") << m << QByteArray("wrong") << Problem::WrongPassword;
        QTest::newRow("password with a line break") << m << password + "\n"
                                                    << Problem::UnusablePassword;
        QTest::newRow("empty password") << m << QByteArray() << Problem::UnusablePassword;
        QTest::newRow("no message") << plainText << password << Problem::NoMessage;
        QTest::newRow("a signature, no message")
            << QByteArray("-----BEGIN PGP SIGNATURE-----\n\nabcd\n-----END PGP SIGNATURE-----\n")
            << password << Problem::NoMessage;
        QTest::newRow("changed armour character")
            << changedCharacter << password << Problem::Damaged;
        QTest::newRow("character that is no armour")
            << m.left(middle) + '*' + m.mid(middle + 1) << password << Problem::Damaged;
        QTest::newRow("changed byte, checksum made anew")
            << armourOf(changedByte) << password << Problem::Tampered;
        QTest::newRow("changed byte, binary") << changedByte << password << Problem::Tampered;
        QByteArray changedInTheMiddle = m_binary;
        changedInTheMiddle[changedInTheMiddle.size() / 2] ^= 1;
        QTest::newRow("changed byte in the middle")
            << changedInTheMiddle << password << Problem::Tampered;
        QTest::newRow("truncated armour") << m.left(m.size() / 2) << password << Problem::Damaged;
        QTest::newRow("truncated, checksum made anew")
            << armourOf(m_binary.left(m_binary.size() - 10)) << password << Problem::Damaged;
        QTest::newRow("truncated binary")
            << m_binary.left(m_binary.size() - 10) << password << Problem::Damaged;
        QTest::newRow("no integrity protection") << noIntegrity << password << Problem::Tampered;
    }

    void refuses()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, password);
        QFETCH(Problem, problem);
        // The right password first: no cache may answer for the wrong one.
        (void)decrypt(m_armoured, ::password);
        const auto plain = decrypt(text, password);
        QVERIFY(!plain.ok());
        QVERIFY2(plain.error().problem == problem, qPrintable(plain.error().reason));
        QVERIFY(!plain.error().reason.isEmpty());
    }

    void cancels()
    {
        const auto plain = decrypt(m_armoured, password, [](qint64, qint64) { return false; });
        QVERIFY(!plain.ok());
        QVERIFY(plain.error().problem == Problem::Cancelled);
    }

    void tellsNotText()
    {
        const auto latin1 = encrypt("caf\xe9", password);
        QVERIFY(latin1.ok());
        const auto text = decryptText(*latin1, password);
        QVERIFY(!text.ok());
        QVERIFY(text.error().problem == Problem::NotText);
        QCOMPARE(*decryptText(m_armoured, password), QString::fromUtf8(plainText));
        const auto marked = encrypt("\xef\xbb\xbfmarked", password);
        QCOMPARE(*decryptText(*marked, password), u"\ufeffmarked");
    }
};

QTEST_GUILESS_MAIN(MessagesTest)
#include "MessagesTest.moc"
