#pragma once

#include "platform/ports/Clipboard.h"
#include "platform/ports/FileDialogs.h"
#include "platform/ports/LoadProgress.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/ports/ProgramEnd.h"
#include "platform/ports/Services.h"
#include "platform/ports/SettingsStore.h"
#include "platform/ports/Shell.h"

#include <QHash>
#include <QList>
#include <QQueue>
#include <QUrl>

#include <functional>

class QWidget;

namespace quenzal::test {

// Every fake records each call it receives, with its arguments, in order.

class FakeMessageBoxes final : public MessageBoxes
{
public:
    struct Call
    {
        QWidget *parent;
        QString title;
        QString text;
    };
    void critical(QWidget *parent, const QString &title, const QString &text) override
    {
        calls.append({parent, title, text});
        if (onShow)
            onShow(calls.constLast());
    }
    QList<Call> calls;
    // Runs while the (modal) box would be open, as a user's answer would.
    std::function<void(const Call &)> onShow;
};

class FakeProgramEnd final : public ProgramEnd
{
public:
    void endNow() override { ++count; }
    int count = 0;
};

class FakeFileDialogs final : public FileDialogs
{
public:
    enum class Kind { Open, Save };
    struct Call
    {
        Kind kind;
        QWidget *parent;
        QStringList nameFilters;
    };
    std::optional<QString> getOpenFileName(QWidget *parent, const QStringList &filters) override
    {
        return answer(Kind::Open, parent, filters);
    }
    std::optional<QString> getSaveFileName(QWidget *parent, const QStringList &filters) override
    {
        return answer(Kind::Save, parent, filters);
    }
    QList<Call> calls;
    // Scripted answers, one per dialog shown: a path, or nothing for Cancel.
    // With none left, the dialog is cancelled.
    QQueue<std::optional<QString>> answers;

private:
    std::optional<QString> answer(Kind kind, QWidget *parent, const QStringList &filters)
    {
        calls.append({kind, parent, filters});
        return answers.isEmpty() ? std::nullopt : answers.dequeue();
    }
};

class FakeClipboard final : public Clipboard
{
public:
    void clear() override
    {
        operations.append(QStringLiteral("clear"));
        contents.reset();
    }
    void setText(const QString &text) override
    {
        operations.append(QStringLiteral("setText"));
        contents = text;
    }
    QString text() const override { return contents.value_or(QString()); }
    QStringList operations;
    // Nothing: the clipboard holds no text (a picture, say).
    std::optional<QString> contents;
};

class FakeShell final : public Shell
{
public:
    struct Call
    {
        QUrl address;
        QWidget *owner;
    };
    void open(const QUrl &address, QWidget *owner) override { calls.append({address, owner}); }
    QList<Call> calls;
};

class FakeSettingsStore final : public SettingsStore
{
public:
    QString location() const override { return path; }
    Result<std::optional<QString>> read(const QString &section, const QString &key,
                                        const QString &defaultValue) override
    {
        ++reads;
        if (!readFailure.isEmpty())
            return Result<std::optional<QString>>::failure(readFailure);
        return values.value(section + u'/' + key, defaultValue);
    }
    Result<void> write(const QString &section, const QString &key, const QString &value) override
    {
        writes.append({section + u'/' + key, value});
        if (!writeFailure.isEmpty())
            return Result<void>::failure(writeFailure);
        values.insert(section + u'/' + key, value);
        return {};
    }
    // Nothing (std::nullopt): a value that is not one plain string.
    QHash<QString, std::optional<QString>> values;
    // Every write tried, also those that failed.
    QList<std::pair<QString, QString>> writes;
    int reads = 0;
    // When set, every read or write fails with this reason.
    QString readFailure;
    QString writeFailure;
    // What location() answers.
    QString path = QStringLiteral("/home/user/Quenzal.conf");
};

class FakeLoadProgress final : public LoadProgress
{
public:
    void start(QWidget *, const QString &caption) override { captions.append(caption); }
    bool report(qint64 done, qint64 total) override
    {
        reports.append({done, total});
        if (onReport)
            onReport();
        return cancelAtReport <= 0 || reports.size() < cancelAtReport;
    }
    void finish() override { ++finished; }
    QStringList captions;
    QList<std::pair<qint64, qint64>> reports; // done, total
    int finished = 0;
    // The user cancels at this report (counting from 1) and after; 0: never.
    int cancelAtReport = 0;
    // Runs at each report, as the user watches the windows meanwhile.
    std::function<void()> onReport;
};

// A full set of fakes, handed to a window as its services.
struct FakeServices
{
    FakeMessageBoxes messages;
    FakeProgramEnd programEnd;
    FakeFileDialogs fileDialogs;
    FakeClipboard clipboard;
    FakeShell shell;
    FakeSettingsStore settings;
    FakeLoadProgress loadProgress;

    Services services()
    {
        return {messages, programEnd, fileDialogs, clipboard, shell, settings, loadProgress};
    }
};

} // namespace quenzal::test
