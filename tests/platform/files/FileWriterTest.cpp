#include "platform/files/FileWriter.h"
#include "FileTargets.h"
#include "ScratchFolder.h"
#include "TestCase.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>

using namespace quenzal;
using namespace quenzal::test;

namespace {

// What is at the path a writer is given, by what a replacement would change.
enum class Target {
    Nothing,
    OwnFile,
    ReadOnlyFile,
    SetUserIdFile,
    LinkToFile,
    HardLinked,
    OtherOwner,
    OtherGroup,
    SetGroupIdFolder,
    ReadOnlyFolder,
    Fifo,
    LinkToFifo,
    Socket,
    LinkToDevice,
    Folder,
};

// What the writer does with it.
enum class Way { Replaced, InPlace, Refused };

} // namespace

// Every decision the one writer behind the window's Save and quenzal-cli's
// named output takes, in one table.
class FileWriterTest : public quenzal::test::TestCase
{
    Q_OBJECT

    ScratchFolder m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList names() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    void initRow() override { QVERIFY(m_dir.isValid()); }

    // Makes `target` at `name`; false when this user cannot make it, and a
    // failed test when making it fails.
    bool make(Target target, QString &name)
    {
        bool made = true;
        const QByteArray old = "the old text";
        const QString real = path(QStringLiteral("real"));
        const auto encoded = [](const QString &p) { return QFile::encodeName(p); };
        const bool root = ::geteuid() == 0;
        switch (target) {
        case Target::Nothing:
            break;
        case Target::OwnFile:
            writeFile(name, old);
            break;
        case Target::ReadOnlyFile: // root may replace a file no one may write
        case Target::SetUserIdFile:
            if (!root)
                return false;
            writeFile(name, old);
            made = ::chmod(encoded(name).constData(),
                           target == Target::ReadOnlyFile ? 0444 : 06755) == 0 &&
                   made;
            break;
        case Target::LinkToFile:
            writeFile(real, old);
            made = QFile::link(real, name) && made;
            break;
        case Target::HardLinked:
            writeFile(real, old);
            made = ::link(encoded(real).constData(), encoded(name).constData()) == 0 && made;
            break;
        case Target::OtherOwner:
        case Target::OtherGroup:
            if (!root)
                return false;
            writeFile(name, old);
            made = ::chown(encoded(name).constData(), target == Target::OtherOwner ? kNobody : 0,
                           target == Target::OtherGroup ? kNoGroup : 0) == 0;
            break;
        case Target::SetGroupIdFolder: // a new file gets the folder's group
            if (!root)
                return false;
            made = QDir().mkdir(path(QStringLiteral("sgid"))) && made;
            made = ::chown(encoded(path(QStringLiteral("sgid"))).constData(), 0, kNoGroup) == 0 &&
                   made;
            made = ::chmod(encoded(path(QStringLiteral("sgid"))).constData(), 02755) == 0 && made;
            name = path(QStringLiteral("sgid/out.txt"));
            writeFile(name, old);
            made = ::chown(encoded(name).constData(), 0, kNoGroup) == 0 && made;
            break;
        case Target::ReadOnlyFolder: // no new file can be made beside it
            made = QDir().mkdir(path(QStringLiteral("ro"))) && made;
            name = path(QStringLiteral("ro/out.txt"));
            writeFile(name, old);
            made = ::chmod(encoded(name).constData(), 0666) == 0 && made;
            if (root)
                made = ::chown(encoded(name).constData(), kNobody, 0) == 0 && made;
            made = ::chmod(encoded(m_dir.path()).constData(), 0755) == 0 && made;
            made = ::chmod(encoded(path(QStringLiteral("ro"))).constData(), 0555) == 0 && made;
            break;
        case Target::Fifo:
            made = ::mkfifo(encoded(name).constData(), 0600) == 0 && made;
            break;
        case Target::LinkToFifo:
            made = ::mkfifo(encoded(real).constData(), 0600) == 0 && made;
            made = QFile::link(real, name) && made;
            break;
        case Target::Socket: {
            const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, encoded(name).constData(), sizeof address.sun_path);
            made = ::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 && made;
            ::close(s);
            break;
        }
        case Target::LinkToDevice:
            made = QFile::link(QStringLiteral("/dev/null"), name) && made;
            break;
        case Target::Folder:
            made = QDir().mkdir(name) && made;
            break;
        }
        if (!made)
            QTest::qFail("could not make the file to write", __FILE__, __LINE__);
        return true;
    }

private slots:
    void cleanup()
    {
        ::chmod(QFile::encodeName(path(QStringLiteral("ro"))).constData(), 0755);
        m_dir.empty();
    }

    void decidesHowToWrite_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("refusal");
        const auto row = [](const char *name, Target target, Way way, const QString &refusal = {}) {
            QTest::newRow(name) << int(target) << int(way) << refusal;
        };
        const QString fifo = QStringLiteral("It is a named pipe (FIFO), not a regular file");
        row("no file yet: made", Target::Nothing, Way::Replaced);
        row("one's own file: replaced", Target::OwnFile, Way::Replaced);
        row("read-only, written by root: replaced, still read-only", Target::ReadOnlyFile,
            Way::Replaced);
        row("set-user-ID: replaced, the bits kept", Target::SetUserIdFile, Way::Replaced);
        row("a link to a file: the file replaced, the link kept", Target::LinkToFile,
            Way::Replaced);
        row("in a set-group-ID folder, its group: replaced", Target::SetGroupIdFolder,
            Way::Replaced);
        row("hard-linked: in place", Target::HardLinked, Way::InPlace);
        row("another user's: in place", Target::OtherOwner, Way::InPlace);
        row("another group's: in place", Target::OtherGroup, Way::InPlace);
        row("in a read-only folder: in place", Target::ReadOnlyFolder, Way::InPlace);
        row("a FIFO", Target::Fifo, Way::Refused, fifo);
        row("a link to a FIFO", Target::LinkToFifo, Way::Refused, fifo);
        row("a socket", Target::Socket, Way::Refused,
            QStringLiteral("It is a socket, not a regular file"));
        row("a link to a device", Target::LinkToDevice, Way::Refused,
            QStringLiteral("It is a device, not a regular file"));
        row("a folder", Target::Folder, Way::Refused, QStringLiteral("It is a folder, not a file"));
    }

    void decidesHowToWrite()
    {
        QFETCH(int, target);
        QFETCH(int, way);
        QFETCH(QString, refusal);
        QString name = path(QStringLiteral("out.txt"));
        if (!make(Target(target), name))
            QSKIP("only root can make this file");
        const bool wasLink = QFileInfo(name).isSymLink();
        const Identity before = identityOf(name);
        const QFile::Permissions permissions = QFile::permissions(name);
        const QStringList namesBefore = names();

        bool opened = false, wrote = false, committed = false;
        {
            std::optional<NotAsRoot> notRoot;
            if (Target(target) == Target::ReadOnlyFolder)
                notRoot.emplace();
            FileWriter writer(name);
            const FileWriter::Done open = writer.open();
            opened = open.ok();
            QCOMPARE(open.error().reason, refusal);
            QCOMPARE(writer.writesInPlace(), Way(way) == Way::InPlace);
            if (opened) {
                wrote = writer.write("new ").ok() && writer.write("text").ok();
                committed = writer.commit().ok();
            }
        }
        ::chmod(QFile::encodeName(path(QStringLiteral("ro"))).constData(), 0755);

        QCOMPARE(QFileInfo(name).isSymLink(), wasLink);
        if (Way(way) == Way::Refused) {
            QVERIFY(!opened);
            QCOMPARE(identityOf(name), before);
            QCOMPARE(names(), namesBefore);
            return;
        }
        QVERIFY(opened && wrote && committed);
        QCOMPARE(contentsOf(name), QByteArray("new text"));
        if (Target(target) == Target::Nothing)
            return;
        QCOMPARE(QFile::permissions(name), permissions);
        const Identity after = identityOf(name);
        QCOMPARE(after.owner, before.owner);
        QCOMPARE(after.group, before.group);
        QCOMPARE(after.links, before.links);
        QCOMPARE(after.inode == before.inode, Way(way) == Way::InPlace);
        QCOMPARE(names(), namesBefore); // nothing left beside it
    }

    // A failure before the commit leaves a replaced file whole and nothing
    // beside it; written in place, the file is cut down only when the first
    // bytes come, and the writer says what is left.
    void failuresSayWhatTheyLeave_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("anyBytes");
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("replaced") << false << true << QByteArray("the old text");
        QTest::newRow("in place, before any bytes") << true << false << QByteArray("the old text");
        QTest::newRow("in place, the disk full") << true << true << QByteArray(1000, 'x');
    }

    void failuresSayWhatTheyLeave()
    {
        QFETCH(bool, inPlace);
        QFETCH(bool, anyBytes);
        QFETCH(QByteArray, left);
        QString name = path(QStringLiteral("out.txt"));
        QVERIFY(make(inPlace ? Target::HardLinked : Target::OwnFile, name));
        const QStringList namesBefore = names();
        {
            FileWriter writer(name);
            QVERIFY(writer.open().ok());
            QString reason;
            if (anyBytes) {
                FileSizeLimit full(1000);
                QVERIFY(!writer.write(QByteArray(5000, 'x')).ok());
                const FileWriter::Done committed = writer.commit();
                QVERIFY(!committed.ok());
                reason = committed.error().reason;
            }
            QCOMPARE(writer.changedInPlace(), inPlace && anyBytes);
            QCOMPARE(reason.contains(QLatin1String("written in place")), inPlace && anyBytes);
        }
        QCOMPARE(contentsOf(name), left);
        QCOMPARE(names(), namesBefore);
    }
};

QTEST_MAIN(FileWriterTest)
#include "FileWriterTest.moc"
