#include "access/PasswordStore.h"
#include "FakeServices.h"
#include "TestCase.h"
#include "TestHashing.h"

#include <QTest>

#include <optional>

using namespace quenzal;
using namespace quenzal::test;

namespace {

const QString kEntry = QStringLiteral("Settings/PassSet");

} // namespace

class PasswordStoreTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void writesEmptyAsEmptyAndOthersAsHash();
    void readsEveryTimeAndLastWriteWins();
    void storeThatCannotBeUsed_data();
    void storeThatCannotBeUsed();
    void storedAgainAfterMatch_data();
    void storedAgainAfterMatch();
    void locationShowsEveryCharacter();
    void passwordThatCannotBeHashedIsNotStored();
};

void PasswordStoreTest::matches_data()
{
    // What an earlier run stored: nothing, a raw value, or a password the
    // store wrote itself.
    QTest::addColumn<std::optional<QString>>("raw");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<bool>("isSet");

    const std::optional<QString> none;
    const QString secret = QStringLiteral("Secret");
    QTest::newRow("no entry, empty typed") << none << QString() << QString() << true << false;
    QTest::newRow("empty entry, text typed")
        << std::optional(QString()) << QString() << secret << false << false;
    QTest::newRow("hashed, same") << none << secret << secret << true << true;
    QTest::newRow("hashed, case differs")
        << none << secret << QStringLiteral("secret") << false << true;
    QTest::newRow("hashed, trailing space")
        << none << secret << QStringLiteral("Secret ") << false << true;
    QTest::newRow("hashed, empty typed") << none << secret << QString() << false << true;
    const QString accented = QStringLiteral("p\u00e4ss w\u00f6rd \u20ac\u00a0");
    QTest::newRow("hashed, non-ASCII same") << none << accented << accented << true << true;
    // A value written by hand or by an older build.
    QTest::newRow("plain text, same")
        << std::optional(secret) << QString() << secret << true << true;
    QTest::newRow("plain text, case differs")
        << std::optional(secret) << QString() << QStringLiteral("SECRET") << false << true;
    // A hash string is never a password that can be typed in.
    const QString hash = QStringLiteral("$argon2id$v=19$m=8,t=1,p=1$c2FsdHNhbHRzYWx0c2FsdA$"
                                        "aGFzaGhhc2hoYXNoaGFzaGhhc2hoYXNoaGFzaGhhc2g");
    QTest::newRow("the hash string itself typed")
        << std::optional(hash) << QString() << hash << false << true;
}

void PasswordStoreTest::matches()
{
    QFETCH(std::optional<QString>, raw);
    QFETCH(QString, written);
    QFETCH(QString, typed);
    QFETCH(bool, expected);
    QFETCH(bool, isSet);

    FakeSettingsStore settings;
    PasswordStore store(settings, cheapHashing());
    if (raw)
        settings.values.insert(kEntry, *raw);
    else if (!written.isEmpty())
        QVERIFY(store.write(written).ok());

    QCOMPARE(isMatch(store.matches(typed)), expected);
    QCOMPARE(store.isSet(), isSet);
}

void PasswordStoreTest::writesEmptyAsEmptyAndOthersAsHash()
{
    FakeSettingsStore settings;
    PasswordStore store(settings, cheapHashing());

    QVERIFY(store.write(QStringLiteral("Secret")).ok());
    QVERIFY(store.write(QString()).ok());
    QVERIFY(store.write(QStringLiteral("Secret")).ok());

    QCOMPARE(settings.writes.size(), 3);
    QCOMPARE(settings.writes.at(1), std::pair(kEntry, QString()));
    const QString first = settings.writes.at(0).second;
    const QString again = settings.writes.at(2).second;
    QVERIFY2(first.startsWith(QLatin1String("$argon2id$")), qPrintable(first));
    QVERIFY(!first.contains(QLatin1String("Secret")));
    QVERIFY2(first != again, "each hash has its own salt");
}

void PasswordStoreTest::readsEveryTimeAndLastWriteWins()
{
    // Two running copies of the program on one store.
    FakeSettingsStore settings;
    PasswordStore one(settings, cheapHashing());
    PasswordStore two(settings, cheapHashing());

    QVERIFY(one.write(QStringLiteral("first")).ok());
    QVERIFY(two.write(QStringLiteral("second")).ok());
    QVERIFY(isMatch(one.matches(QStringLiteral("second"))));
    QVERIFY(!isMatch(one.matches(QStringLiteral("first"))));
    settings.values.insert(kEntry, QString());
    QVERIFY(!one.isSet());
}

// Nothing matches, not even the empty password, and nothing is hashed: a
// hash asking for 2^32 passes would take days.
void PasswordStoreTest::storeThatCannotBeUsed_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("readFailure");
    QTest::addColumn<QString>("message");

    const QString damaged =
        QStringLiteral("The password stored in \"/home/user/Quenzal.conf\" is damaged.");
    const QString salt =
        QStringLiteral("$c2FsdHNhbHRzYWx0c2FsdA$aGFzaGhhc2hoYXNoaGFzaGhhc2hoYXNoaGFzaGhhc2g");
    QTest::newRow("cannot be read")
        << std::optional(QString()) << QStringLiteral("Permission denied")
        << QStringLiteral("Could not read the password from \"/home/user/Quenzal.conf\": "
                          "Permission denied.");
    QTest::newRow("2^32 - 1 passes")
        << std::optional(QStringLiteral("$argon2id$v=19$m=8,t=4294967295,p=1") + salt) << QString()
        << damaged;
    QTest::newRow("4 GiB of memory")
        << std::optional(QStringLiteral("$argon2id$v=19$m=4194304,t=2,p=1") + salt) << QString()
        << damaged;
    QTest::newRow("no parameters")
        << std::optional(QStringLiteral("$argon2id$v=19$")) << QString() << damaged;
    // Neither "no password" nor the text that a list happens to read as.
    QTest::newRow("not one string") << std::optional<QString>() << QString() << damaged;
}

void PasswordStoreTest::storeThatCannotBeUsed()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, readFailure);
    QFETCH(QString, message);

    FakeSettingsStore settings;
    settings.values.insert(kEntry, stored);
    settings.readFailure = readFailure;
    PasswordStore store(settings, cheapHashing());
    QVERIFY(store.isSet());
    for (const QString &typed : {QString(), QStringLiteral("Secret"), stored.value_or(QString())}) {
        const Result<PasswordStore::Match> match = store.matches(typed);
        QVERIFY(!match.ok());
        QCOMPARE(match.error(), message);
    }
    QVERIFY(settings.writes.isEmpty());
}

// A match stores the password again when it is not hashed with the store's
// own limits.
void PasswordStoreTest::storedAgainAfterMatch_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("storedAgain");

    PasswordHashing other = cheapHashing();
    ++other.opsLimit;
    FakeSettingsStore settings;
    (void)PasswordStore(settings, other).write(QStringLiteral("Secret"));
    const QString otherLimits = *settings.values.value(kEntry);
    (void)PasswordStore(settings, cheapHashing()).write(QStringLiteral("Secret"));
    const QString ownLimits = *settings.values.value(kEntry);

    QTest::newRow("plain text") << QStringLiteral("Secret") << QStringLiteral("Secret") << true;
    QTest::newRow("plain text, wrong") << QStringLiteral("Secret") << QStringLiteral("x") << false;
    QTest::newRow("other limits") << otherLimits << QStringLiteral("Secret") << true;
    QTest::newRow("other limits, wrong") << otherLimits << QStringLiteral("x") << false;
    QTest::newRow("own limits") << ownLimits << QStringLiteral("Secret") << false;
}

void PasswordStoreTest::storedAgainAfterMatch()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, storedAgain);

    FakeSettingsStore settings;
    settings.values.insert(kEntry, stored);
    PasswordStore store(settings, cheapHashing());
    QCOMPARE(isMatch(store.matches(typed)), typed == QLatin1String("Secret"));
    QCOMPARE(settings.writes.size(), storedAgain ? 1 : 0);
    if (!storedAgain)
        return;
    const QByteArray hash = settings.values.value(kEntry)->toLatin1();
    QVERIFY2(hash.startsWith(crypto_pwhash_argon2id_STRPREFIX), hash.constData());
    QCOMPARE(crypto_pwhash_str_needs_rehash(hash.constData(), cheapHashing().opsLimit,
                                            cheapHashing().memLimit),
             0);
    QVERIFY(isMatch(store.matches(QStringLiteral("Secret"))));
}

// A character of the location that would not show is named by its code.
void PasswordStoreTest::locationShowsEveryCharacter()
{
    FakeSettingsStore settings;
    settings.path = QStringLiteral("/home/user\u200B/Quenzal.conf");
    settings.readFailure = QStringLiteral("Permission denied");
    const Result<PasswordStore::Match> match =
        PasswordStore(settings, cheapHashing()).matches(QString());
    QCOMPARE(match.error(),
             QStringLiteral("Could not read the password from \"/home/user<U+200B>/Quenzal.conf\": "
                            "Permission denied."));
}

// Hashing that fails (in the program, for want of memory; here, for limits
// libsodium refuses) is told, and the old password stays.
void PasswordStoreTest::passwordThatCannotBeHashedIsNotStored()
{
    FakeSettingsStore settings;
    settings.values.insert(kEntry, QStringLiteral("old"));
    PasswordStore store(settings, {crypto_pwhash_OPSLIMIT_MIN, 0});
    const Result<void> written = store.write(QStringLiteral("new"));
    QVERIFY(!written.ok());
    QVERIFY(!written.error().isEmpty());
    QVERIFY(settings.writes.isEmpty());
    QVERIFY(isMatch(store.matches(QStringLiteral("old"))));
}

QTEST_GUILESS_MAIN(PasswordStoreTest)
#include "PasswordStoreTest.moc"
