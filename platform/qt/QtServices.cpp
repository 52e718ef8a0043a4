#include "platform/qt/QtServices.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSaveFile>
#include <QSettings>
#include <QVariant>

namespace quenzal {

void QtMessageBoxes::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

void QtProgramEnd::endNow()
{
    // Ends exec(): no window receives a close event, destructors and
    // aboutToQuit still run, so the settings are written out.
    QCoreApplication::exit(0);
}

void setUpFileDialog(QFileDialog &dialog, QFileDialog::AcceptMode mode,
                     const QStringList &nameFilters)
{
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(nameFilters);
}

namespace {

std::optional<QString> runFileDialog(QWidget *parent, const QStringList &nameFilters,
                                     QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    setUpFileDialog(dialog, mode, nameFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> QtFileDialogs::getOpenFileName(QWidget *parent,
                                                      const QStringList &nameFilters)
{
    return runFileDialog(parent, nameFilters, QFileDialog::AcceptOpen);
}

std::optional<QString> QtFileDialogs::getSaveFileName(QWidget *parent,
                                                      const QStringList &nameFilters)
{
    return runFileDialog(parent, nameFilters, QFileDialog::AcceptSave);
}

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void QtClipboard::setText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString QtClipboard::text() const
{
    return QGuiApplication::clipboard()->text();
}

void QtShell::open(const QUrl &address, QWidget *)
{
    QDesktopServices::openUrl(address);
}

namespace {

// The dialog's bar runs in hundredths of the load, as its text shows.
constexpr int kProgressSteps = 100;
// How long a load runs before its progress shows.
constexpr int kShowProgressAfterMs = 2000;
// How often the windows get to repaint while a load runs.
constexpr qint64 kEventsEveryMs = 50;

} // namespace

void QtLoadProgress::start(QWidget *parent, const QString &caption)
{
    finish();
    m_started = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_dialog = new QProgressDialog(caption, QStringLiteral("Cancel"), 0, kProgressSteps, parent);
    m_dialog->setObjectName(QStringLiteral("LoadProgress"));
    m_dialog->setWindowTitle(caption);
    // Wide enough for the caption in the title bar too.
    m_dialog->setMinimumWidth(m_dialog->fontMetrics().horizontalAdvance(caption) + 200);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setMinimumDuration(kShowProgressAfterMs);
    m_dialog->setValue(0); // the time until the dialog shows starts now
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sinceEvents.start();
}

bool QtLoadProgress::report(qint64 done, qint64 total)
{
    if (!m_dialog)
        return true;
    const int value = total > 0 ? int(qBound<qint64>(0, done, total) * kProgressSteps / total) : 0;
    // Once shown, the modal dialog lets events through itself on each new value.
    if (value != m_dialog->value())
        m_dialog->setValue(value);
    if (m_sinceEvents.elapsed() >= kEventsEveryMs) {
        QCoreApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents
                                                              : QEventLoop::ExcludeUserInputEvents);
        m_sinceEvents.start();
    }
    return !m_dialog->wasCanceled();
}

void QtLoadProgress::finish()
{
    if (!m_started)
        return;
    m_started = false;
    delete m_dialog;
    QGuiApplication::restoreOverrideCursor();
}

QtSettingsStore::QtSettingsStore(QString fileName) : m_fileName(std::move(fileName)) {}

std::unique_ptr<QSettings> QtSettingsStore::open() const
{
    if (m_fileName.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Quenzal"), QStringLiteral("Quenzal"));
    return std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
}

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

// A settings file that does not exist yet is made empty and readable by its
// owner only, before anything is written into it: the file's later
// replacements keep that mode.
void createPrivately(const QString &fileName)
{
    if (fileName.isEmpty() || QFileInfo::exists(fileName))
        return;
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
}

// What `settings` holds under `name`: `defaultValue` when nothing, and nothing
// when it is not one plain string (Qt's INI format reads a value with commas
// and no quotes around it as a list, for instance).
std::optional<QString> valueIn(const QSettings &settings, const QString &name,
                               const QString &defaultValue)
{
    if (!settings.contains(name))
        return defaultValue;
    const QVariant value = settings.value(name);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

// Windows keeps the native settings in the registry, not in a file.
bool isFile(const QSettings &settings)
{
#ifdef Q_OS_WIN
    if (settings.format() == QSettings::NativeFormat)
        return false;
#endif
    return !settings.fileName().isEmpty();
}

// QSettings says only that it failed; the system's reason comes from trying
// the same again.
QString whyNotRead(const QString &fileName)
{
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly))
        return QStringLiteral("the file could not be read");
    return file.errorString();
}

QString whyNotWritten(const QString &fileName)
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        file.cancelWriting();
        return QStringLiteral("the file could not be written");
    }
    return file.errorString();
}

} // namespace

QString QtSettingsStore::location() const
{
    return QDir::toNativeSeparators(open()->fileName());
}

Result<std::optional<QString>> QtSettingsStore::read(const QString &section, const QString &key,
                                                     const QString &defaultValue)
{
    const std::unique_ptr<QSettings> settings = open();
    std::optional<QString> value = valueIn(*settings, section + u'/' + key, defaultValue);
    if (settings->status() == QSettings::AccessError) {
        return Result<std::optional<QString>>::failure(
            isFile(*settings) ? whyNotRead(settings->fileName())
                              : QStringLiteral("the settings could not be read"));
    }
    return value;
}

Result<void> QtSettingsStore::write(const QString &section, const QString &key,
                                    const QString &value)
{
    const std::unique_ptr<QSettings> settings = open();
    const bool inFile = isFile(*settings);
    if (inFile)
        createPrivately(settings->fileName());
    settings->setValue(section + u'/' + key, value);
    settings->sync();
    if (settings->status() == QSettings::AccessError) {
        return Result<void>::failure(inFile ? whyNotWritten(settings->fileName())
                                            : QStringLiteral("the settings could not be written"));
    }
    // Also a file made by hand or by an older build: the owner's only.
    if (inFile && QFileInfo(settings->fileName()).isFile())
        QFile::setPermissions(settings->fileName(), kOwnerOnly);
    return {};
}

} // namespace quenzal
