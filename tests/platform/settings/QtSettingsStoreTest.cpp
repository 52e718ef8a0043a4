#include "TestCase.h"
#include "TestHashing.h"
#include "access/PasswordStore.h"
#include "platform/qt/QtServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quenzal;

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool save(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The file's mode bits (QFile also reports the "user" bits, which mirror the
// owner's).
QFile::Permissions mode(const QString &fileName)
{
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return QFile::permissions(fileName) & (owner | others);
}

} // namespace

// The settings store on a real QSettings file in a temporary folder.
class QtSettingsStoreTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void fileIsTheOwnersOnly_data();
    void fileIsTheOwnersOnly();
    void readsAfreshEveryTime_data();
    void readsAfreshEveryTime();
    void passwordIsStoredAsHash();
    void fileThatIsAFolderFails();
    void plainPasswordIsHashedAtLogin();
};

void QtSettingsStoreTest::fileIsTheOwnersOnly_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("new file in a new folder") << false;
    QTest::newRow("readable by all, left by an older build") << true;
}

void QtSettingsStoreTest::fileIsTheOwnersOnly()
{
    QFETCH(bool, existing);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Quenzal/Quenzal.conf"));
    if (existing) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Quenzal")));
        QVERIFY(save(fileName, "[Settings]\nPassSet=old\n"));
        QVERIFY(QFile::setPermissions(fileName, kOwnerOnly | QFile::ReadGroup | QFile::ReadOther));
    }

    QVERIFY(QtSettingsStore(fileName)
                .write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("new"))
                .ok());
    QVERIFY(contents(fileName).contains("PassSet=new"));
    QCOMPARE(mode(fileName), kOwnerOnly);
}

void QtSettingsStoreTest::readsAfreshEveryTime_data()
{
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<std::optional<QString>>("expected");
    QTest::newRow("written by another running copy")
        << QByteArray("[Settings]\nPassSet=written by the other copy\n")
        << std::optional(QStringLiteral("written by the other copy"));
    // Qt reads it as a list: neither empty (no password) nor any one string.
    QTest::newRow("a hash edited by hand, its quotes taken away")
        << QByteArray("[Settings]\nPassSet=$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA\n")
        << std::optional<QString>();
}

void QtSettingsStoreTest::readsAfreshEveryTime()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(std::optional<QString>, expected);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Quenzal.conf"));
    QtSettingsStore store(fileName);
    QVERIFY(
        store.write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("mine"))
            .ok());
    QVERIFY(save(fileName, onDisk));
    const Result<std::optional<QString>> read =
        store.read(QStringLiteral("Settings"), QStringLiteral("PassSet"), QString());
    QVERIFY(read);
    QCOMPARE(*read, expected);
}

void QtSettingsStoreTest::passwordIsStoredAsHash()
{
    // The program's own limits, once.
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Quenzal.conf"));
    QtSettingsStore settings(fileName);
    const QString password = QStringLiteral("correct horse");
    QVERIFY(PasswordStore(settings).write(password).ok());

    const QByteArray onDisk = contents(fileName);
    QVERIFY2(onDisk.contains("$argon2id$v=19$m=65536,t=2,p=1$"), onDisk.constData());
    QVERIFY(!onDisk.contains("correct") && !onDisk.contains("horse"));
    QtSettingsStore again(fileName);
    QVERIFY(test::isMatch(PasswordStore(again).matches(password)));
}

void QtSettingsStoreTest::fileThatIsAFolderFails()
{
    // Neither read as "no password set" nor written as if stored; the folder
    // keeps its mode. (Tests run as root, for whom no mode bit refuses.)
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Quenzal.conf"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Quenzal.conf")));
    const QFile::Permissions before = mode(fileName);
    QtSettingsStore store(fileName);
    const Result<std::optional<QString>> read =
        store.read(QStringLiteral("Settings"), QStringLiteral("PassSet"), QString());
    QVERIFY(!read && !read.error().isEmpty());
    const Result<void> written =
        store.write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("new"));
    QVERIFY(!written && !written.error().isEmpty());
    QCOMPARE(mode(fileName), before);
    QCOMPARE(store.location(), QDir::toNativeSeparators(fileName));
}

void QtSettingsStoreTest::plainPasswordIsHashedAtLogin()
{
    // A plain-text password left by an older build, in a file readable by all.
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Quenzal.conf"));
    QVERIFY(save(fileName, "[Settings]\nPassSet=old secret\n"));
    QVERIFY(QFile::setPermissions(fileName, kOwnerOnly | QFile::ReadGroup | QFile::ReadOther));
    QtSettingsStore settings(fileName);
    QVERIFY(test::isMatch(PasswordStore(settings).matches(QStringLiteral("old secret"))));

    const QByteArray onDisk = contents(fileName);
    QVERIFY2(onDisk.contains("$argon2id$"), onDisk.constData());
    QVERIFY(!onDisk.contains("secret"));
    QCOMPARE(mode(fileName), kOwnerOnly);
}

QTEST_GUILESS_MAIN(QtSettingsStoreTest)
#include "QtSettingsStoreTest.moc"
