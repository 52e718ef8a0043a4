#include "messages/Messages.h"
#include "Gpg.h"
#include "TestCase.h"

#include <QTest>

using namespace quenzal;
using namespace quenzal::messages;
using quenzal::test::Gpg;

namespace {

const QByteArray password = "correct horse battery staple";

QByteArray everyByte()
{
    QByteArray bytes;
    for (int code = 0; code < 256; ++code)
        bytes.append(char(code));
    return bytes;
}

} // namespace

class MessagesTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void gpgDecryptsWhatIsEncrypted_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<bool>("armour");
        QTest::newRow("text, armoured") << QByteArray("Meet me\r\nat\rnoon\n\xc3\xa9") << true;
        QTest::newRow("every byte, binary") << everyByte() << false;
        QTest::newRow("empty, armoured") << QByteArray() << true;
    }

    void gpgDecryptsWhatIsEncrypted()
    {
        QFETCH(QByteArray, plain);
        QFETCH(bool, armour);
        const auto message = encrypt(plain, password, armour);
        QVERIFY2(message.ok(), qPrintable(message.error().reason));
        QCOMPARE(message->startsWith("-----BEGIN PGP MESSAGE-----"), armour);
        Gpg gpg;
        const Gpg::Run decrypted = gpg.run({QStringLiteral("--decrypt")}, password, *message);
        QVERIFY2(decrypted.exitCode == 0, decrypted.errors.constData());
        QCOMPARE(decrypted.output, plain);
        QVERIFY(decrypted.errors.contains("AES256"));
    }

    void decryptsWhatIsEncrypted()
    {
        const auto message = encrypt(everyByte(), password);
        QVERIFY(message.ok());
        QVERIFY(holdsMessage(*message));
        const auto plain = decrypt(*message, password);
        QVERIFY2(plain.ok(), qPrintable(plain.error().reason));
        QCOMPARE(*plain, everyByte());
    }
};

QTEST_GUILESS_MAIN(MessagesTest)
#include "MessagesTest.moc"
