#include "CipherCommand.h"

#include "Cipher.h"
#include "CodePage.h"
#include "RichTextArea.h"
#include "ports/MessageBoxes.h"

#include <QLineEdit>
#include <QProgressBar>

namespace quenzal {
namespace {

// Names the first character of the text or a password that cannot go through
// the cipher, or returns an empty string.
QString refusal(const CipherControls &c, const QString &text, Direction direction)
{
    const QString verb = direction == Direction::Scramble ? QStringLiteral("scrambled")
                                                          : QStringLiteral("unscrambled");
    const std::pair<QString, QString> inputs[] = {
        {QStringLiteral("The text"), text},
        {QStringLiteral("The first password"), c.passwordOne.text()},
        {QStringLiteral("The second password"), c.passwordTwo.text()},
    };
    for (const auto &[what, value] : inputs) {
        if (const auto bad = CodePage::firstUnrepresentable(value))
            return QStringLiteral("%1 contains a character that cannot be %2: %3.")
                .arg(what, verb, CodePage::describe(bad->codePoint));
    }
    return {};
}

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
    const ProgressHook progress = [&bar = c.progress](float value) {
        bar.setValue(int(value));
    };
    c.result.setText(ScrambleText(text, c.passwordOne.text(), scramble, progress));
    c.result.setText(ScrambleText(c.result.text(), c.passwordTwo.text(), scramble, progress));
}

} // namespace quenzal
