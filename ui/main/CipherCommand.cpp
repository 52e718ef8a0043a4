#include "ui/main/CipherCommand.h"

#include "engine/Cipher.h"
#include "engine/CodePage.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/widgets/RichTextArea.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>

namespace quenzal {
namespace {

// Names the first character of the text or a password that cannot go through
// the cipher (for Scramble, code 0 in the text too), or returns an empty
// string.
QString refusal(const CipherControls &c, const QString &text, Direction direction)
{
    const bool scramble = direction == Direction::Scramble;
    if (QString message = cipherRefusal(QStringLiteral("The text"), text, scramble, true);
        !message.isEmpty())
        return message;
    if (scramble) {
        if (QString message = codeZeroRefusal(CodePage::encode(text)); !message.isEmpty())
            return message;
    }
    const std::pair<QString, QString> passwords[] = {
        {QStringLiteral("The first password"), c.passwordOne.text()},
        {QStringLiteral("The second password"), c.passwordTwo.text()},
    };
    for (const auto &[what, value] : passwords) {
        if (QString message = cipherRefusal(what, value, scramble, true); !message.isEmpty())
            return message;
    }
    return {};
}

// Writes every value the cipher reports into the progress bar. The window takes
// no events while the cipher runs, so the bar is painted there and then, but at
// most once a frame: painting it for every whole percentage would cost more
// than the cipher itself. Values written between two such paints are shown by
// the next one, or by the window's next ordinary paint.
class ProgressFeedback
{
public:
    explicit ProgressFeedback(QProgressBar &bar) : m_bar(bar) { m_sincePaint.start(); }

    void operator()(float value)
    {
        const int percent = int(value);
        if (percent == m_bar.value())
            return;
        if (m_sincePaint.hasExpired(kFrameMilliseconds)) {
            m_bar.setValue(percent); // QProgressBar repaints at once
            m_sincePaint.restart();
            return;
        }
        m_bar.setUpdatesEnabled(false);
        m_bar.setValue(percent);
        m_bar.setUpdatesEnabled(true); // schedules an ordinary paint
    }

private:
    static constexpr qint64 kFrameMilliseconds = 16;
    QProgressBar &m_bar;
    QElapsedTimer m_sincePaint;
};

} // namespace

void runCipherCommand(const CipherControls &c, MessageBoxes &messages, Direction direction)
{
    const QString text = c.original.text();
    if (text.size() > kMaxCipherLength)
        return;
    if (const QString message = refusal(c, text, direction); !message.isEmpty()) {
        messages.critical(&c.window, QStringLiteral("Error"), message);
        return;
    }
    const bool scramble = direction == Direction::Scramble;
    ProgressFeedback feedback(c.progress);
    const ProgressHook progress = [&feedback](float value) { feedback(value); };
    c.result.setText(ScrambleText(text, c.passwordOne.text(), scramble, progress));
    c.result.setText(ScrambleText(c.result.text(), c.passwordTwo.text(), scramble, progress));
}

} // namespace quenzal
