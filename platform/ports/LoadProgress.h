#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <utility>

class QWidget;

namespace quenzal {

// Feedback while a long load (a file opened, a large paste) runs on the
// program's one thread. From start() to finish() the pointer shows that the
// program is busy; a load that goes on past about two seconds shows its
// progress in a modal window with a Cancel button. Each report() lets the
// windows repaint.
class LoadProgress
{
public:
    virtual ~LoadProgress() = default;

    // A load begins; `caption` says what is loaded ("Opening ...").
    virtual void start(QWidget *parent, const QString &caption) = 0;
    // `done` of `total` is done. False once the user has asked to cancel:
    // the load then stops and leaves everything as it was.
    virtual bool report(qint64 done, qint64 total) = 0;
    // The load is over, done or not: the pointer and the progress go.
    virtual void finish() = 0;
};

// A load's feedback from construction until finish() or the end of the
// scope, whichever comes first.
class Loading
{
public:
    Loading(LoadProgress &progress, QWidget *parent, const QString &caption) : m_progress(progress)
    {
        m_progress.start(parent, caption);
    }
    ~Loading() { finish(); }
    Loading(const Loading &) = delete;
    Loading &operator=(const Loading &) = delete;

    void finish()
    {
        if (std::exchange(m_running, false))
            m_progress.finish();
    }
    // What the load calls after each step: false once the user cancelled.
    std::function<bool(qint64 done, qint64 total)> report()
    {
        return [this](qint64 done, qint64 total) { return m_progress.report(done, total); };
    }

private:
    LoadProgress &m_progress;
    bool m_running = true;
};

} // namespace quenzal
