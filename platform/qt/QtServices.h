#pragma once

#include "platform/ports/Clipboard.h"
#include "platform/ports/FileDialogs.h"
#include "platform/ports/LoadProgress.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/ports/ProgramEnd.h"
#include "platform/ports/Services.h"
#include "platform/ports/SettingsStore.h"
#include "platform/ports/Shell.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include <memory>

namespace quenzal {

class QtMessageBoxes final : public MessageBoxes
{
public:
    void critical(QWidget *parent, const QString &title, const QString &text) override;
};

class QtProgramEnd final : public ProgramEnd
{
public:
    void endNow() override;
};

// How the file dialogs are set up: Open takes only a file that exists, Save
// any name; neither adds an extension nor asks before a file is replaced.
void setUpFileDialog(QFileDialog &dialog, QFileDialog::AcceptMode mode,
                     const QStringList &nameFilters);

class QtFileDialogs final : public FileDialogs
{
public:
    std::optional<QString> getOpenFileName(QWidget *parent,
                                           const QStringList &nameFilters) override;
    std::optional<QString> getSaveFileName(QWidget *parent,
                                           const QStringList &nameFilters) override;
};

class QtClipboard final : public Clipboard
{
public:
    void clear() override;
    void setText(const QString &text) override;
    QString text() const override;
};

class QtShell final : public Shell
{
public:
    void open(const QUrl &address, QWidget *owner) override;
};

// The busy pointer from start to finish, and a modal QProgressDialog with a
// Cancel button once the load has run for about two seconds (or sooner when
// its progress so far says it will take longer). Until the dialog shows,
// report() lets the windows repaint but holds the user's input back, so
// nothing else starts meanwhile; the dialog, once shown, blocks the other
// windows itself.
class QtLoadProgress final : public LoadProgress
{
public:
    void start(QWidget *parent, const QString &caption) override;
    bool report(qint64 done, qint64 total) override;
    void finish() override;

private:
    QPointer<QProgressDialog> m_dialog; // its parent window may go first
    bool m_started = false;
    QElapsedTimer m_sinceEvents;
};

// QSettings, per user, under the organisation and application "Quenzal".
// An empty `fileName` means the platform's usual place. Every call reads the
// store afresh. Where the settings are an INI file, the store reads and
// writes that file whole as Open and Save do, and QSettings sees only a
// private copy: a path that is or leads to anything but a regular file (a
// FIFO, a device, a socket, a folder) is refused without being opened, and a
// file that replacing would change (another owner's, say) is written in
// place. A write reaches the file before it returns, and the file is
// readable and writable by its owner only. A file that cannot be read or
// written is reported with the reason.
class QtSettingsStore final : public SettingsStore
{
public:
    explicit QtSettingsStore(QString fileName = {});
    QString location() const override;
    Result<std::optional<QString>> read(const QString &section, const QString &key,
                                        const QString &defaultValue) override;
    Result<void> write(const QString &section, const QString &key, const QString &value) override;

private:
    QString m_fileName; // empty where the settings are not a file
};

// The real desktop, as the program uses it.
class QtServices
{
public:
    Services services()
    {
        return {m_messages, m_programEnd, m_fileDialogs, m_clipboard,
                m_shell,    m_settings,   m_loadProgress};
    }

private:
    QtMessageBoxes m_messages;
    QtProgramEnd m_programEnd;
    QtFileDialogs m_fileDialogs;
    QtClipboard m_clipboard;
    QtShell m_shell;
    QtSettingsStore m_settings;
    QtLoadProgress m_loadProgress;
};

} // namespace quenzal
