// A long load in the program's windows, on the real desktop services, for
// /usr/bin/time -v to measure its time and peak memory (offscreen):
//
//   window_load login-paste <MiB>    a password of that size pasted (Ctrl+V)
//                                    into the Login window's box
//   window_load open <file>          File, Open of a .txt or .rtf file
//   window_load paste-upper <MiB>    Edit, Paste of lines of words
//   window_load ctrl-v-lower <MiB>   the same text, Ctrl+V in the lower area
//   window_load paste-upper-cancel <MiB> [<s>]
//                                    Edit, Paste, with Cancel pressed <s>
//                                    seconds (3) after the progress window shows
//   window_load encrypt <MiB>        Message, Encrypt for Sending of lines of
//                                    words in the upper area
//   window_load decrypt <MiB>        Message, Decrypt Message of the message
//                                    that encrypting those lines gave
//
// After the load, the window lays the text out to its end while it waits, as
// it does while the user looks, so the peak includes that layout.
//
// Prints the seconds the load took and the longest time in it without a
// progress report (while nothing can cancel it); the cancelled paste also
// prints how long the progress window stayed after Cancel, and whether the
// text changed.
#include "access/PasswordStore.h"
#include "platform/qt/QtServices.h"
#include "platform/widgets/RichTextArea.h"
#include "ui/access/AccessGate.h"
#include "ui/access/frmLogin.h"
#include "ui/main/frmMAIN.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <cstdio>
#include <optional>

using namespace quenzal;

namespace {

// Answers the Open dialog with one path.
class ChosenFile final : public FileDialogs
{
public:
    explicit ChosenFile(QString path) : m_path(std::move(path)) {}
    std::optional<QString> getOpenFileName(QWidget *, const QStringList &) override
    {
        return m_path;
    }
    std::optional<QString> getSaveFileName(QWidget *, const QStringList &) override
    {
        return std::nullopt;
    }

private:
    QString m_path;
};

// Lines of words, 60 characters and CR LF, up to `mib` MiB.
QString linesOfWords(double mib)
{
    const QString line =
        QStringLiteral("the quick brown fox jumps over the lazy dog, then rests.   \r\n");
    return line.repeated(qsizetype(mib * 1024 * 1024) / line.size());
}

void pressCtrlV(QWidget *target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(target, &press);
}

// Answers the password window that the action `name` opens over `window`
// with `password` in each of its boxes, and presses its command button.
void askedFor(QWidget *window, const char *name, const QString &password)
{
    // An earlier password window, closed, goes first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->findChild<QAction *>(QLatin1String(name))->trigger();
    auto *asking = window->findChild<QDialog *>();
    for (auto *box : asking->findChildren<QLineEdit *>())
        box->setText(password);
    asking->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
}

// Cancels the progress window `after` ms once it shows; tells when it did.
void cancelOnceShown(int after, QElapsedTimer &cancelled)
{
    auto *poll = new QTimer(qApp);
    auto shownFor = std::make_shared<QElapsedTimer>();
    QObject::connect(poll, &QTimer::timeout, [=, &cancelled] {
        auto *dialog = qApp->findChild<QProgressDialog *>(QStringLiteral("LoadProgress"));
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (!dialog)
                dialog = widget->findChild<QProgressDialog *>(QStringLiteral("LoadProgress"));
        if (!dialog || !dialog->isVisible())
            return;
        if (!shownFor->isValid())
            shownFor->start();
        if (shownFor->elapsed() >= after && !dialog->wasCanceled()) {
            dialog->cancel();
            cancelled.start();
            poll->stop();
        }
    });
    poll->start(20);
}

// The peak resident memory so far, in KiB (Linux).
qint64 peakMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The real progress, timing the stretches between its reports.
class TimedProgress final : public LoadProgress
{
public:
    void start(QWidget *parent, const QString &caption) override
    {
        m_progress.start(parent, caption);
        m_sinceReport.start();
    }
    bool report(qint64 done, qint64 total) override
    {
        longest = qMax(longest, m_sinceReport.elapsed());
        const bool goOn = m_progress.report(done, total);
        m_sinceReport.start();
        return goOn;
    }
    void finish() override
    {
        longest = qMax(longest, m_sinceReport.elapsed());
        m_progress.finish();
    }
    qint64 longest = 0; // ms

private:
    QtLoadProgress m_progress;
    QElapsedTimer m_sinceReport;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 3 && args.size() != 4) {
        std::fprintf(stderr, "usage: %s <scenario> <MiB or file> [<seconds>]\n", argv[0]);
        return 2;
    }
    const QString &scenario = args[1];
    QTemporaryDir home;
    QtMessageBoxes messages;
    QtProgramEnd programEnd;
    ChosenFile fileDialogs(args[2]);
    QtClipboard clipboard;
    QtShell shell;
    QtSettingsStore settings(home.filePath(QStringLiteral("Quenzal.conf")));
    TimedProgress loadProgress;
    const Services services{messages, programEnd, fileDialogs, clipboard,
                            shell,    settings,   loadProgress};

    QElapsedTimer timer;
    if (scenario == QLatin1String("login-paste")) {
        if (!PasswordStore(settings).write(QStringLiteral("secret")).ok())
            return 1;
        const auto gate = OpenAccessGate(services, makeMainWindow);
        auto *box = gate->loginWindow()->findChild<QLineEdit *>(QStringLiteral("txtPassword"));
        QApplication::clipboard()->setText(
            QString(qsizetype(args[2].toDouble() * 1024 * 1024), u'p'));
        timer.start();
        pressCtrlV(box);
        QApplication::processEvents();
        std::printf("%s %s: %.2f s, %lld characters, peak %lld MB\n", argv[1], argv[2],
                    double(timer.elapsed()) / 1000.0, qlonglong(box->text().size()),
                    peakMemory() / 1024);
        return 0;
    }
    auto window = makeMainWindow(services, [] {});
    window->show();
    QApplication::processEvents();
    auto *upper = window->findChild<RichTextArea *>(QStringLiteral("rtfOriginal"));
    auto *lower = window->findChild<RichTextArea *>(QStringLiteral("rtfNew"));
    auto *paste = window->findChild<QAction *>(QStringLiteral("mnupaste"));
    auto *open = window->findChild<QAction *>(QStringLiteral("mnuOpenItem"));
    QElapsedTimer cancelled;
    if (scenario == QLatin1String("open")) {
        timer.start();
        open->trigger();
    } else if (scenario == QLatin1String("encrypt") || scenario == QLatin1String("decrypt")) {
        const QString password = QStringLiteral("a long way");
        upper->setText(linesOfWords(args[2].toDouble()));
        if (scenario == QLatin1String("decrypt")) {
            askedFor(window.get(), "mnuEncrypt", password);
            upper->setText(lower->text());
            lower->setText(QString());
        }
        // The text is laid out before the command, as it is once the user sees it.
        while (upper->document()->lastBlock().layout()->lineCount() == 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        loadProgress.longest = 0;
        timer.start();
        askedFor(window.get(), scenario == QLatin1String("encrypt") ? "mnuEncrypt" : "mnuDecrypt",
                 password);
    } else {
        upper->setText(QStringLiteral("before\r\nafter"));
        upper->moveCursor(QTextCursor::Down);
        QApplication::clipboard()->setText(linesOfWords(args[2].toDouble()));
        timer.start();
        if (scenario == QLatin1String("paste-upper")) {
            paste->trigger();
        } else if (scenario == QLatin1String("ctrl-v-lower")) {
            lower->setFocus();
            pressCtrlV(lower);
        } else if (scenario == QLatin1String("paste-upper-cancel")) {
            cancelOnceShown(args.size() > 3 ? int(args[3].toDouble() * 1000) : 3000, cancelled);
            paste->trigger();
        } else {
            std::fprintf(stderr, "no scenario %s\n", argv[1]);
            return 2;
        }
    }
    const double seconds = double(timer.elapsed()) / 1000.0;
    const double afterCancel = cancelled.isValid() ? double(cancelled.elapsed()) / 1000.0 : -1;
    const qint64 loadPeak = peakMemory();
    for (RichTextArea *area : {upper, lower}) {
        while (area->document()->lastBlock().layout()->lineCount() == 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::printf("%s %s: %.2f s, at most %.2f s without a report, peak %lld MB by its end and "
                "%lld MB once laid out",
                argv[1], argv[2], seconds, double(loadProgress.longest) / 1000.0, loadPeak / 1024,
                peakMemory() / 1024);
    if (afterCancel >= 0)
        std::printf(", the progress stayed %.2f s after Cancel, the upper area %s", afterCancel,
                    upper->text() == QStringLiteral("before\r\nafter") ? "unchanged" : "CHANGED");
    std::printf("\n");
    return 0;
}
