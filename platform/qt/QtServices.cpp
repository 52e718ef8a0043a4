#include "platform/qt/QtServices.h"

#include "platform/files/TextFiles.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
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

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

QString organisation()
{
    return QStringLiteral("Quenzal");
}

QString application()
{
    return QStringLiteral("Quenzal");
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

// The settings file's content, read as Open reads a file: anything but a
// regular file, also behind a symbolic link (a FIFO, which would block until
// a writer comes, a device, a socket, a folder), is refused before it is
// opened. A file that does not exist is empty.
Result<QByteArray> readSettingsFile(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        return QByteArray();
    return TextFiles::readAll(fileName);
}

// QSettings on a private copy of the settings file's content, in a folder of
// its own: QSettings reads and writes the copy only, never the file itself,
// which the store reads and writes whole.
class SettingsCopy
{
public:
    Result<void> create(const QByteArray &content)
    {
        if (!m_folder.isValid())
            return Result<void>::failure(m_folder.errorString());
        QFile file(path());
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly) ||
            file.write(content) != content.size() || !file.flush()) {
            return Result<void>::failure(file.errorString());
        }
        m_settings = std::make_unique<QSettings>(path(), QSettings::IniFormat);
        return {};
    }

    QSettings &settings() { return *m_settings; }

    // The copy's content, with what was set in it.
    Result<QByteArray> content()
    {
        m_settings->sync();
        QFile file(path());
        if (m_settings->status() == QSettings::AccessError || !file.open(QIODevice::ReadOnly))
            return Result<QByteArray>::failure(QStringLiteral("the settings could not be written"));
        return file.readAll();
    }

private:
    QString path() const { return m_folder.filePath(QStringLiteral("settings.conf")); }

    QTemporaryDir m_folder;
    std::unique_ptr<QSettings> m_settings;
};

// A settings file that does not exist yet is made empty and readable by its
// owner only, before anything is written into it: the file's later
// replacements keep that mode.
void createPrivately(const QString &fileName)
{
    if (QFileInfo::exists(fileName))
        return;
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
}

} // namespace

QtSettingsStore::QtSettingsStore(QString fileName) : m_fileName(std::move(fileName))
{
#if !defined(Q_OS_WIN) && !defined(Q_OS_DARWIN)
    // Where QSettings keeps the native settings here: an INI file, named
    // without QSettings, which would open it.
    if (m_fileName.isEmpty()) {
        m_fileName = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     u'/' + organisation() + u'/' + application() + QStringLiteral(".conf");
    }
#endif
}

QString QtSettingsStore::location() const
{
    if (m_fileName.isEmpty())
        return QDir::toNativeSeparators(QSettings(organisation(), application()).fileName());
    return QDir::toNativeSeparators(m_fileName);
}

Result<std::optional<QString>> QtSettingsStore::read(const QString &section, const QString &key,
                                                     const QString &defaultValue)
{
    using Answer = Result<std::optional<QString>>;
    const QString name = section + u'/' + key;
    if (m_fileName.isEmpty()) {
        const QSettings settings(organisation(), application());
        std::optional<QString> value = valueIn(settings, name, defaultValue);
        if (settings.status() == QSettings::AccessError)
            return Answer::failure(QStringLiteral("the settings could not be read"));
        return value;
    }
    const Result<QByteArray> content = readSettingsFile(m_fileName);
    if (!content)
        return Answer::failure(content.error());
    SettingsCopy copy;
    if (const Result<void> made = copy.create(*content); !made)
        return Answer::failure(made.error());
    return valueIn(copy.settings(), name, defaultValue);
}

Result<void> QtSettingsStore::write(const QString &section, const QString &key,
                                    const QString &value)
{
    const QString name = section + u'/' + key;
    if (m_fileName.isEmpty()) {
        QSettings settings(organisation(), application());
        settings.setValue(name, value);
        settings.sync();
        if (settings.status() == QSettings::AccessError)
            return Result<void>::failure(QStringLiteral("the settings could not be written"));
        return {};
    }
    // The file's other entries stay as they are.
    const Result<QByteArray> old = readSettingsFile(m_fileName);
    if (!old)
        return Result<void>::failure(old.error());
    SettingsCopy copy;
    if (Result<void> made = copy.create(*old); !made)
        return made;
    copy.settings().setValue(name, value);
    const Result<QByteArray> content = copy.content();
    if (!content)
        return Result<void>::failure(content.error());
    // Written as Save writes a file: a file that replacing would change (one
    // of another owner, say) is written in place.
    createPrivately(m_fileName);
    if (Result<void> written = TextFiles::writeAll(m_fileName, *content); !written)
        return written;
    // Also a file made by hand or by an older build: the owner's only.
    if (QFileInfo(m_fileName).isFile())
        QFile::setPermissions(m_fileName, kOwnerOnly);
    return {};
}

} // namespace quenzal
