#include "TestCase.h"
#include "TestHashing.h"
#include "access/PasswordStore.h"
#include "platform/files/FileWriter.h"
#include "platform/qt/QtServices.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

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

struct stat statusOf(const QString &path)
{
    struct stat status = {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
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
    void notARegularFileIsRefused_data();
    void notARegularFileIsRefused();
    void plainPasswordIsHashedAtLogin();
    void usualPlaceIsQSettingsOwn();
};

void QtSettingsStoreTest::fileIsTheOwnersOnly_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("linkToOthers"); // a link to another user's file
    QTest::newRow("new file in a new folder") << false << false;
    QTest::newRow("readable by all, left by an older build") << true << false;
    // Rewritten in place, so that it stays theirs.
    QTest::newRow("link to another user's file") << true << true;
}

void QtSettingsStoreTest::fileIsTheOwnersOnly()
{
    QFETCH(bool, existing);
    QFETCH(bool, linkToOthers);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Quenzal/Quenzal.conf"));
    const QString target = linkToOthers ? dir.filePath(QStringLiteral("theirs.conf")) : fileName;
    if (existing) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Quenzal")));
        QVERIFY(save(target, "[Settings]\nPassSet=old\n"));
        QVERIFY(QFile::setPermissions(target, kOwnerOnly | QFile::ReadGroup | QFile::ReadOther));
    }
    const uid_t other = 4242;
    if (linkToOthers) {
        if (::chown(QFile::encodeName(target).constData(), other, other) != 0)
            QSKIP("Only root can give a file to another user.");
        QVERIFY(QFile::link(target, fileName));
    }

    QVERIFY(QtSettingsStore(fileName)
                .write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("new"))
                .ok());
    QVERIFY(contents(fileName).contains("PassSet=new"));
    QCOMPARE(mode(fileName), kOwnerOnly);
    if (linkToOthers) {
        QVERIFY(QFileInfo(fileName).isSymLink());
        QCOMPARE(statusOf(target).st_uid, other);
        QCOMPARE(statusOf(target).st_gid, other);
    }
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

void QtSettingsStoreTest::notARegularFileIsRefused_data()
{
    QTest::addColumn<QString>("make");
    QTest::newRow("folder") << "folder";
    QTest::newRow("link to a FIFO") << "fifo";     // would wait for a writer
    QTest::newRow("link to a device") << "device"; // would be replaced by a file
}

void QtSettingsStoreTest::notARegularFileIsRefused()
{
    // Neither read as "no password set" nor written as if stored, and never
    // opened; what is there stays as it was. (Tests run as root, for whom no
    // mode bit refuses.)
    QFETCH(QString, make);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Quenzal.conf"));
    const QString target = dir.filePath(QStringLiteral("target"));
    const QByteArray encoded = QFile::encodeName(target);
    if (make == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Quenzal.conf")));
    } else {
        if (make == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(encoded.constData(), 0600), 0);
        else if (::mknod(encoded.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("Only root can make a device.");
        QVERIFY(QFile::link(target, fileName));
    }
    const struct stat before = statusOf(fileName);
    const QString reason = checkRegularFile(before.st_mode).error();
    QtSettingsStore store(fileName);
    // Whatever opens the FIFO to read it is let go by opening its other end,
    // so that the test fails instead of hanging.
    std::atomic<bool> opened = false;
    std::jthread watch;
    if (make == QLatin1String("fifo")) {
        watch = std::jthread([&](const std::stop_token &stop) {
            while (!stop.stop_requested()) {
                const int end = ::open(encoded.constData(), O_WRONLY | O_NONBLOCK);
                if (end >= 0) {
                    opened = true;
                    ::close(end);
                }
                QThread::msleep(1);
            }
        });
    }
    const Result<std::optional<QString>> read =
        store.read(QStringLiteral("Settings"), QStringLiteral("PassSet"), QString());
    QVERIFY(!read);
    QCOMPARE(read.error(), reason);
    const Result<void> written =
        store.write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("new"));
    QVERIFY(!written);
    QCOMPARE(written.error(), reason);
    watch = {};
    QVERIFY(!opened);
    QCOMPARE(statusOf(fileName).st_mode, before.st_mode);
    QCOMPARE(statusOf(fileName).st_rdev, before.st_rdev);
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

void QtSettingsStoreTest::usualPlaceIsQSettingsOwn()
{
    // The store names its file without opening it; a password kept there by
    // an earlier build must be found.
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(QtSettingsStore().location(),
             QDir::toNativeSeparators(
                 QSettings(QStringLiteral("Quenzal"), QStringLiteral("Quenzal")).fileName()));
}

QTEST_GUILESS_MAIN(QtSettingsStoreTest)
#include "QtSettingsStoreTest.moc"
