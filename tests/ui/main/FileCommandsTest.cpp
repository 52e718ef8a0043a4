#include "FileTargets.h"
#include "MainWindowFixture.h"
#include "ScratchFolder.h"
#include "TestCase.h"
#include "Texts.h"
#include "engine/CodePage.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QTextCursor>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quenzal;
using namespace quenzal::test;

namespace {

const QString kNoFile = QStringLiteral("No File Specified...");

QByteArray everyByte()
{
    QByteArray bytes;
    for (int code = 1; code <= 255; ++code)
        bytes += char(code);
    return bytes + "\r\n\n\r\rend";
}

enum class Via { Button, Menu, Toolbar };

void open(MainWindowFixture &f, Via via)
{
    switch (via) {
    case Via::Button:
        QTest::mouseClick(control<QPushButton>(f.window.get(), "cmdFILE"), Qt::LeftButton);
        break;
    case Via::Menu:
        triggerAction(f.window.get(), "mnuOpenItem");
        break;
    case Via::Toolbar:
        f.window->Toolbar1_ButtonClick(QStringLiteral("openfile"));
        break;
    }
}

void save(MainWindowFixture &f, Via via)
{
    switch (via) {
    case Via::Button:
        QTest::mouseClick(control<QPushButton>(f.window.get(), "cmdSAVE"), Qt::LeftButton);
        break;
    case Via::Menu:
        triggerAction(f.window.get(), "mnuFileSave");
        break;
    case Via::Toolbar:
        f.window->Toolbar1_ButtonClick(QStringLiteral("savefile"));
        break;
    }
}

} // namespace

class FileCommandsTest : public quenzal::test::TestCase
{
    Q_OBJECT

    ScratchFolder m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void initRow() override { QVERIFY(m_dir.isValid()); }

private slots:
    void cleanup() { m_dir.empty(); }

    void fileKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        const int rich = int(FileKind::RichText), plain = int(FileKind::PlainText),
                  other = int(FileKind::Other);
        QTest::newRow(".rtf") << "/tmp/a.rtf" << rich;
        QTest::newRow(".txt") << "/tmp/a.txt" << plain;
        QTest::newRow("the whole name is .txt") << ".txt" << plain;
        QTest::newRow(".TXT") << "/tmp/a.TXT" << other;
        QTest::newRow(".Rtf") << "/tmp/a.Rtf" << other;
        QTest::newRow("no extension") << "/tmp/notes" << other;
        QTest::newRow("shorter than four") << "txt" << other;
        QTest::newRow("trailing space") << "/tmp/a.txt " << other;
        QTest::newRow("another after .txt") << "/tmp/a.txt.bak" << other;
        QTest::newRow("empty") << "" << other;
    }

    void fileKind()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QCOMPARE(int(quenzal::fileKind(name)), kind);
    }

    void everyCommandOffersTheTwoTypes()
    {
        MainWindowFixture f;
        for (const Via via : {Via::Button, Via::Menu, Via::Toolbar}) {
            open(f, via);
            save(f, via);
        }
        QCOMPARE(f.fakes.fileDialogs.calls.size(), 6);
        const QStringList types = {QStringLiteral("Text Files (*.txt)"),
                                   QStringLiteral("Rich Text Format (*.rtf)")};
        for (int i = 0; i < 6; ++i) {
            const auto &call = f.fakes.fileDialogs.calls[i];
            QCOMPARE(call.kind, i % 2 ? FakeFileDialogs::Kind::Save : FakeFileDialogs::Kind::Open);
            QCOMPARE(call.nameFilters, types);
            QCOMPARE(call.parent, f.window.get());
        }
        // Cancelled every time: nothing changed, nothing said.
        QCOMPARE(f.txtFILE->text(), kNoFile);
        QVERIFY(f.fakes.messages.calls.isEmpty());
        QVERIFY(QDir(m_dir.path()).isEmpty());
    }

    void openPlainText_data()
    {
        QTest::addColumn<int>("via");
        QTest::newRow("FILE button") << int(Via::Button);
        QTest::newRow("File, Open") << int(Via::Menu);
        QTest::newRow("toolbar") << int(Via::Toolbar);
    }

    void openPlainText()
    {
        QFETCH(int, via);
        MainWindowFixture f;
        writeFile(path(QStringLiteral("in.txt")), everyByte());
        f.fakes.fileDialogs.answers.enqueue(path(QStringLiteral("in.txt")));
        open(f, Via(via));
        QCOMPARE(f.rtfOriginal->text(), CodePage::decode(everyByte()));
        QCOMPARE(f.txtFILE->text(), path(QStringLiteral("in.txt")));
        QVERIFY(f.fakes.messages.calls.isEmpty());
    }

    void openRichText()
    {
        MainWindowFixture f;
        writeFile(path(QStringLiteral("in.rtf")),
                  "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 {\\b bold} plain\\par second}");
        f.fakes.fileDialogs.answers.enqueue(path(QStringLiteral("in.rtf")));
        open(f, Via::Button);
        QCOMPARE(f.rtfOriginal->text(), QStringLiteral("bold plain\r\nsecond"));
        QTextCursor cursor(f.rtfOriginal->document());
        cursor.setPosition(2);
        QVERIFY(cursor.charFormat().font().bold());
        cursor.setPosition(7);
        QVERIFY(!cursor.charFormat().font().bold());
        QCOMPARE(f.txtFILE->text(), kNoFile);
        QVERIFY(f.fakes.messages.calls.isEmpty());
    }

    void aCancelledOpenChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("text"); // the area's text once opened
        QTest::addColumn<int>("cancelAt"); // a report; 0: the last
        const QByteArray lines = QByteArray("line\r\n").repeated(40'000);
        const QByteArray paragraphs =
            "{\\rtf1\\ansi " + QByteArray("{\\b x}\\par\n").repeated(20'000) + "}";
        const QString plain = CodePage::decode(lines);
        const QString rich = QStringLiteral("x\r\n").repeated(20'000);
        QTest::newRow(".txt, at the first report") << "big.txt" << lines << plain << 1;
        QTest::newRow(".txt, at the last report") << "big.txt" << lines << plain << 0;
        QTest::newRow(".rtf, while reading") << "big.rtf" << paragraphs << rich << 2;
        QTest::newRow(".rtf, once read") << "big.rtf" << paragraphs << rich << 0;
    }

    void aCancelledOpenChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, text);
        QFETCH(int, cancelAt);
        writeFile(path(name), contents);
        int reports = 0;
        {
            MainWindowFixture f;
            f.fakes.fileDialogs.answers.enqueue(path(name));
            open(f, Via::Menu);
            QCOMPARE(f.rtfOriginal->text(), text.chopped(name.endsWith(u".rtf") ? 2 : 0));
            reports = int(f.fakes.loadProgress.reports.size());
            QVERIFY(reports > 2);
            QCOMPARE(f.fakes.loadProgress.reports.constLast().first,
                     f.fakes.loadProgress.reports.constLast().second);
            QCOMPARE(f.fakes.loadProgress.finished, 1);
        }
        MainWindowFixture f;
        QVERIFY(f.rtfOriginal->loadRichText("{\\rtf1 {\\b bold} plain}").ok());
        QTest::keyClicks(f.rtfOriginal, QStringLiteral("typed")); // something to undo
        const QTextDocument *document = f.rtfOriginal->document();
        const QString before = f.rtfOriginal->text();
        const QString file = path(QStringLiteral("earlier.txt"));
        f.txtFILE->setText(file);
        f.fakes.loadProgress.cancelAtReport = cancelAt > 0 ? cancelAt : reports;
        f.fakes.fileDialogs.answers.enqueue(path(name));
        open(f, Via::Menu);
        QCOMPARE(f.fakes.loadProgress.reports.size(), f.fakes.loadProgress.cancelAtReport);
        QCOMPARE(f.fakes.loadProgress.finished, 1);
        QCOMPARE(f.rtfOriginal->document(), document); // its formatting and undo steps with it
        QCOMPARE(f.rtfOriginal->text(), before);
        QVERIFY(document->isUndoAvailable());
        QCOMPARE(f.txtFILE->text(), file);
        QVERIFY(f.fakes.messages.calls.isEmpty());
    }

    void refusedOpens_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents"); // null: no such file
        QTest::addColumn<QString>("message");     // %1: the full path
        QTest::newRow("no extension")
            << "notes" << QByteArray("text")
            << "Only .txt and .rtf files can be opened; \"notes\" was not opened.";
        QTest::newRow("capital .TXT")
            << "NOTES.TXT" << QByteArray("text")
            << "Only .txt and .rtf files can be opened; \"NOTES.TXT\" was not opened.";
        QTest::newRow("no such file")
            << "gone.txt" << QByteArray() << "Could not open \"%1\": No such file or directory.";
        QTest::newRow("a character in the name that would not show")
            << QStringLiteral("photo\u202Egpj.exe") << QByteArray("text")
            << "Only .txt and .rtf files can be opened; \"photo<U+202E>gpj.exe\" was not opened.";
        QTest::newRow("not rich text")
            << "plain.rtf" << QByteArray("just words")
            << "Could not open \"%1\": The file is not rich text: it does not begin with "
               "{\\rtf.";
    }

    void refusedOpens()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        MainWindowFixture f;
        if (!contents.isNull())
            writeFile(path(name), contents);
        f.rtfOriginal->setText(QStringLiteral("keep\r"));
        f.fakes.fileDialogs.answers.enqueue(path(name));
        open(f, Via::Menu);
        QCOMPARE(f.rtfOriginal->text(), QStringLiteral("keep\r"));
        QCOMPARE(f.txtFILE->text(), kNoFile);
        QCOMPARE(f.fakes.messages.calls.size(), 1);
        QCOMPARE(f.fakes.messages.calls[0].title, QStringLiteral("Error"));
        QCOMPARE(f.fakes.messages.calls[0].text, message.replace(QLatin1String("%1"), path(name)));
    }

    // What is not a regular file is refused before it is read: a FIFO would
    // wait for a writer forever, a device would fill the memory.
    void opensOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("make");   // what to put at the name
        QTest::addColumn<QString>("reason"); // the message's reason begins so
        const QString pipe = QStringLiteral("It is a named pipe (FIFO), not a regular file");
        const QString device = QStringLiteral("It is a device, not a regular file");
        QTest::newRow("FIFO") << "fifo" << pipe;
        QTest::newRow("link to a FIFO") << "link to fifo" << pipe;
        QTest::newRow("link to /dev/zero") << "link to /dev/zero" << device;
        QTest::newRow("link to /dev/null") << "link to /dev/null" << device;
        QTest::newRow("socket") << "socket"
                                << "It is a socket, not a regular file";
        QTest::newRow("folder") << "folder"
                                << "It is a folder, not a file";
        QTest::newRow("too large") << "sparse 300 MiB"
                                   << "The file is too large to open (300 MiB";
    }

    void opensOnlyRegularFiles()
    {
        QFETCH(QString, make);
        QFETCH(QString, reason);
        for (const QString &name : {QStringLiteral("x.txt"), QStringLiteral("x.rtf")}) {
            const QString at = path(name);
            const QString target = path(QStringLiteral("target"));
            const QByteArray local = QFile::encodeName(at);
            if (make == QLatin1String("fifo")) {
                QCOMPARE(::mkfifo(local.constData(), 0600), 0);
            } else if (make == QLatin1String("link to fifo")) {
                QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
                QVERIFY(QFile::link(target, at));
            } else if (make.startsWith(QLatin1String("link to "))) {
                QVERIFY(QFile::link(make.sliced(8), at));
            } else if (make == QLatin1String("socket")) {
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                sockaddr_un address = {};
                address.sun_family = AF_UNIX;
                QVERIFY(size_t(local.size()) < sizeof address.sun_path);
                std::memcpy(address.sun_path, local.constData(), size_t(local.size()));
                QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
                ::close(fd);
            } else if (make == QLatin1String("folder")) {
                QVERIFY(QDir(m_dir.path()).mkdir(name));
            } else {
                QFile file(at);
                QVERIFY(file.open(QIODevice::WriteOnly));
                QVERIFY(file.resize(qint64(300) * 1024 * 1024)); // sparse: no disk used
            }
            MainWindowFixture f;
            f.rtfOriginal->setText(QStringLiteral("keep\r"));
            f.fakes.fileDialogs.answers.enqueue(at);
            open(f, Via::Menu);
            QCOMPARE(f.rtfOriginal->text(), QStringLiteral("keep\r"));
            QCOMPARE(f.txtFILE->text(), kNoFile);
            QCOMPARE(f.fakes.messages.calls.size(), 1);
            QCOMPARE(f.fakes.messages.calls[0].title, QStringLiteral("Error"));
            const QString text = f.fakes.messages.calls[0].text;
            QVERIFY2(text.startsWith(QStringLiteral("Could not open \"%1\": %2").arg(at, reason)),
                     qPrintable(text));
            QVERIFY(!QGuiApplication::overrideCursor()); // the busy pointer is gone
            QDir(m_dir.path()).rmdir(name);
            QFile::remove(at);
            QFile::remove(target);
        }
    }

    void savePlainText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty area: zero bytes") << QByteArray("");
        QTest::newRow("every code and every break") << everyByte();
        QTest::newRow("no line ending added") << QByteArray("last line");
    }

    void savePlainText()
    {
        QFETCH(QByteArray, bytes);
        for (const Via via : {Via::Button, Via::Menu, Via::Toolbar}) {
            MainWindowFixture f;
            const QString name = path(QStringLiteral("out.txt"));
            writeFile(name, "an older and longer file that is replaced without a question");
            f.rtfNew->setText(CodePage::decode(bytes));
            f.rtfOriginal->setText(QStringLiteral("the upper area is never saved"));
            f.fakes.fileDialogs.answers.enqueue(name);
            save(f, via);
            QCOMPARE(contentsOf(name), bytes);
            QCOMPARE(f.txtFILE->text(), name);
            QVERIFY(f.fakes.messages.calls.isEmpty());

            // ... and it opens again exactly.
            f.fakes.fileDialogs.answers.enqueue(name);
            open(f, via);
            QCOMPARE(f.rtfOriginal->text(), CodePage::decode(bytes));
        }
    }

    void saveRichTextWritesTheLowerArea()
    {
        MainWindowFixture f;
        const QString name = path(QStringLiteral("out.rtf"));
        f.rtfNew->setText(QStringLiteral("lower {area}\r\n\\ line two \u00E9"));
        f.rtfOriginal->setText(QStringLiteral("upper"));
        f.fakes.fileDialogs.answers.enqueue(name);
        save(f, Via::Menu);
        QVERIFY(contentsOf(name).startsWith("{\\rtf1"));
        QCOMPARE(f.txtFILE->text(), kNoFile);

        f.fakes.fileDialogs.answers.enqueue(name);
        open(f, Via::Menu);
        QCOMPARE(f.rtfOriginal->text(), QStringLiteral("lower {area}\r\n\\ line two \u00E9"));
        QVERIFY(f.fakes.messages.calls.isEmpty());
    }

    // Scramble, save the result, open it, Unscramble: the message comes back,
    // lone CRs and LFs of the scrambled text included.
    void aScrambledTextComesBackThroughAFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain text") << "scrambled.txt";
        QTest::newRow("rich text") << "scrambled.rtf";
    }

    void aScrambledTextComesBackThroughAFile()
    {
        QFETCH(QString, name);
        MainWindowFixture f;
        QString message;
        for (int i = 0; i < 12; ++i)
            message += everyCode() + QStringLiteral("\r\nline\n");
        f.rtfOriginal->setText(message.left(8000));
        f.txtPasswordOne->setText(QStringLiteral("one"));
        f.window->cmdLOCK_Click();
        const QString scrambled = f.rtfNew->text();
        QVERIFY(scrambled.contains(u'\r') && scrambled.contains(u'\n'));

        f.fakes.fileDialogs.answers.enqueue(path(name));
        save(f, Via::Menu);
        f.rtfOriginal->setText(QString());
        f.fakes.fileDialogs.answers.enqueue(path(name));
        open(f, Via::Menu);
        QCOMPARE(f.rtfOriginal->text(), scrambled);
        f.window->Command1_Click();
        QCOMPARE(f.rtfNew->text(), message.left(8000));
        QVERIFY(f.fakes.messages.calls.isEmpty());
    }

    void refusedSaves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // %1: the full path
        QTest::newRow("no extension")
            << "notes"
            << "x"
            << "Only .txt and .rtf files can be saved; \"notes\" was not saved.";
        QTest::newRow("capital .TXT")
            << "OUT.TXT"
            << "x"
            << "Only .txt and .rtf files can be saved; \"OUT.TXT\" was not saved.";
        QTest::newRow("no such folder") << "missing/out.txt"
                                        << "x"
                                        << "Could not save \"%1\": ";
        QTest::newRow("a character a .txt file cannot hold")
            << "out.txt" << QStringLiteral("ok \u4E2D \U0001F600")
            << QStringLiteral("The text contains a character that a .txt file cannot hold: "
                              "\"\u4E2D\" (U+4E2D) at character 4. Windows-1252 (Western "
                              "European), the code page in force, has no such character. "
                              "Nothing was saved; save it as a .rtf file instead.");
    }

    void refusedSaves()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, message);
        MainWindowFixture f;
        f.rtfNew->setText(text);
        f.fakes.fileDialogs.answers.enqueue(path(name));
        save(f, Via::Button);
        QCOMPARE(f.fakes.messages.calls.size(), 1);
        QCOMPARE(f.fakes.messages.calls[0].title, QStringLiteral("Error"));
        QVERIFY2(f.fakes.messages.calls[0].text.startsWith(
                     message.replace(QLatin1String("%1"), path(name))),
                 qPrintable(f.fakes.messages.calls[0].text));
        QCOMPARE(f.txtFILE->text(), kNoFile);
        QVERIFY(QDir(m_dir.path()).isEmpty());
    }

    void aFailingSaveLeavesTheOldFileWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain text") << "out.txt";
        QTest::newRow("rich text") << "out.rtf";
    }

    void aFailingSaveLeavesTheOldFileWhole()
    {
        QFETCH(QString, name);
        MainWindowFixture f;
        const QByteArray old = "the old file";
        writeFile(path(name), old);
        f.rtfNew->setText(QString(5000, u'x'));
        f.fakes.fileDialogs.answers.enqueue(path(name));
        {
            FileSizeLimit full(1000); // the disk fills up after 1,000 bytes
            save(f, Via::Button);
        }
        QCOMPARE(contentsOf(path(name)), old);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
        QCOMPARE(f.fakes.messages.calls.size(), 1);
        QVERIFY2(f.fakes.messages.calls[0].text.startsWith(
                     QStringLiteral("Could not save \"%1\": ").arg(path(name))),
                 qPrintable(f.fakes.messages.calls[0].text));
        QCOMPARE(f.txtFILE->text(), kNoFile);
    }

    // A save writes through the one writer: what it refuses is named, and a
    // file it writes in place stays the same file.
    void savesKeepWhatTheFileIs_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<QString>("refusal"); // empty: saved
        QTest::newRow("a FIFO") << true << "It is a named pipe (FIFO), not a regular file.";
        QTest::newRow("hard-linked: in place") << false << QString();
    }

    void savesKeepWhatTheFileIs()
    {
        QFETCH(bool, fifo);
        QFETCH(QString, refusal);
        const QString name = path(QStringLiteral("out.txt"));
        const QString other = path(QStringLiteral("other name"));
        if (fifo) {
            QVERIFY(::mkfifo(QFile::encodeName(name).constData(), 0600) == 0);
        } else {
            writeFile(other, "the old text");
            QVERIFY(::link(QFile::encodeName(other).constData(),
                           QFile::encodeName(name).constData()) == 0);
        }
        const Identity before = identityOf(name);

        MainWindowFixture f;
        f.rtfNew->setText(QStringLiteral("new text"));
        f.fakes.fileDialogs.answers.enqueue(name);
        save(f, Via::Menu);

        QCOMPARE(identityOf(name), before);
        if (!refusal.isEmpty()) {
            QCOMPARE(f.fakes.messages.calls.size(), 1);
            QCOMPARE(f.fakes.messages.calls[0].text,
                     QStringLiteral("Could not save \"%1\": %2").arg(name, refusal));
            QCOMPARE(f.txtFILE->text(), kNoFile);
            return;
        }
        QVERIFY2(f.fakes.messages.calls.isEmpty(),
                 qPrintable(f.fakes.messages.calls.value(0).text));
        QCOMPARE(contentsOf(other), QByteArray("new text"));
    }

    // Written in place, a failed save cannot keep the old text: it says so.
    void aFailureInPlaceSaysWhatItLeaves()
    {
        MainWindowFixture f;
        const QString name = path(QStringLiteral("out.txt"));
        writeFile(name, "the old text");
        const QString otherName = path(QStringLiteral("other name"));
        QVERIFY(::link(QFile::encodeName(name).constData(),
                       QFile::encodeName(otherName).constData()) == 0);
        f.rtfNew->setText(QString(5000, u'x'));
        f.fakes.fileDialogs.answers.enqueue(name);
        {
            FileSizeLimit full(1000);
            save(f, Via::Menu);
        }
        QCOMPARE(contentsOf(otherName), QByteArray(1000, 'x'));
        QCOMPARE(f.fakes.messages.calls.size(), 1);
        QCOMPARE(f.fakes.messages.calls[0].text,
                 QStringLiteral("Could not save \"%1\": File too large. The file could not be "
                                "replaced as a whole, so it was written in place and now holds "
                                "only the part written before the failure.")
                     .arg(name));
    }

    // In every code page, an opened .txt file's bytes come back byte for byte
    // from Save, to a .txt file, and to an .rtf file that names the code page
    // and reads again as the same text.
    void everyByteInEveryCodePage_data()
    {
        QTest::addColumn<int>("codePage");
        for (const int number : CodePage::kNumbers)
            QTest::addRow("%d", number) << number;
    }

    void everyByteInEveryCodePage()
    {
        QFETCH(int, codePage);
        MainWindowFixture f;
        f.window->mnuCodePage_Click(codePage);
        writeFile(path(QStringLiteral("in.txt")), everyByte());
        f.fakes.fileDialogs.answers.enqueue(path(QStringLiteral("in.txt")));
        f.window->mnuOpenItem_Click();
        const QString text = f.rtfOriginal->text();
        f.rtfNew->setText(text);
        for (const QString &name : {QStringLiteral("out.txt"), QStringLiteral("out.rtf")}) {
            f.fakes.fileDialogs.answers.enqueue(path(name));
            f.window->mnuFileSave_Click();
        }
        QVERIFY(f.fakes.messages.calls.isEmpty());
        QCOMPARE(contentsOf(path(QStringLiteral("out.txt"))), everyByte());
        const QByteArray rtf = contentsOf(path(QStringLiteral("out.rtf")));
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg" + QByteArray::number(codePage)));
        RichTextArea reopened;
        QVERIFY(reopened.loadRichText(rtf).ok());
        QCOMPARE(reopened.text(), text);
    }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
