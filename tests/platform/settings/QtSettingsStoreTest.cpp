#include "PasswordStore.h"
#include "qt/QtServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace quenzal;

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The permission bits that the file system reports (QFile adds the
// "user" bits, which mirror the owner's).
QFile::Permissions mode(const QString &fileName)
{
    return QFile::permissions(fileName) & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                           QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
}

} // namespace

// The settings store on a real QSettings file in a temporary folder.
class QtSettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readsWhatWasWritten();
    void emptyValueIsAnEntry();
    void newFileIsTheOwnersOnly();
    void existingFileBecomesTheOwnersOnly();
    void readsAfreshEveryTime();
    void passwordIsStoredAsHash();

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_fileName;
};

void QtSettingsStoreTest::init()
{
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
    m_fileName = m_dir->filePath(QStringLiteral("Quenzal/Quenzal.conf"));
}

void QtSettingsStoreTest::readsWhatWasWritten()
{
    QtSettingsStore store(m_fileName);
    const QString missing = QStringLiteral("missing");
    QCOMPARE(store.read(QStringLiteral("Settings"), QStringLiteral("PassSet"), missing), missing);

    const QString value = QStringLiteral(" Two words, \u00e9 = \"quoted\"; ");
    store.write(QStringLiteral("Settings"), QStringLiteral("PassSet"), value);
    QCOMPARE(QtSettingsStore(m_fileName)
                 .read(QStringLiteral("Settings"), QStringLiteral("PassSet"), missing),
             value);
}

void QtSettingsStoreTest::emptyValueIsAnEntry()
{
    QtSettingsStore(m_fileName)
        .write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QString());
    QVERIFY(contents(m_fileName).contains("PassSet="));
    QCOMPARE(QtSettingsStore(m_fileName)
                 .read(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("x")),
             QString());
}

void QtSettingsStoreTest::newFileIsTheOwnersOnly()
{
    QtSettingsStore(m_fileName)
        .write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("value"));
    QVERIFY(QFile::exists(m_fileName));
    QCOMPARE(mode(m_fileName), kOwnerOnly);
}

void QtSettingsStoreTest::existingFileBecomesTheOwnersOnly()
{
    // A file that an older build left readable by everyone.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("Quenzal")));
    QFile file(m_fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nPassSet=old\n");
    file.close();
    QVERIFY(QFile::setPermissions(m_fileName, kOwnerOnly | QFile::ReadGroup | QFile::ReadOther));

    QtSettingsStore(m_fileName)
        .write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("new"));
    QCOMPARE(mode(m_fileName), kOwnerOnly);
    QVERIFY(contents(m_fileName).contains("PassSet=new"));
}

void QtSettingsStoreTest::readsAfreshEveryTime()
{
    // Another running copy of the program writes the same file.
    QtSettingsStore mine(m_fileName);
    QtSettingsStore theirs(m_fileName);
    mine.write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("mine"));
    theirs.write(QStringLiteral("Settings"), QStringLiteral("PassSet"), QStringLiteral("theirs"));
    QCOMPARE(mine.read(QStringLiteral("Settings"), QStringLiteral("PassSet"), QString()),
             QStringLiteral("theirs"));

    QFile file(m_fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Settings]\nPassSet=changed behind its back\n");
    file.close();
    QCOMPARE(mine.read(QStringLiteral("Settings"), QStringLiteral("PassSet"), QString()),
             QStringLiteral("changed behind its back"));
}

void QtSettingsStoreTest::passwordIsStoredAsHash()
{
    // The program's own limits, once.
    QtSettingsStore settings(m_fileName);
    const QString password = QStringLiteral("correct horse");
    PasswordStore(settings).write(password);

    const QByteArray onDisk = contents(m_fileName);
    QVERIFY2(onDisk.contains("$argon2id$v=19$m=65536,t=2,p=1$"), onDisk.constData());
    QVERIFY(!onDisk.contains("correct"));
    QVERIFY(!onDisk.contains("horse"));
    QCOMPARE(mode(m_fileName), kOwnerOnly);

    QtSettingsStore again(m_fileName);
    QVERIFY(PasswordStore(again).matches(password));
}

QTEST_GUILESS_MAIN(QtSettingsStoreTest)
#include "QtSettingsStoreTest.moc"
