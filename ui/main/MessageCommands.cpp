#include "ui/main/MessageCommands.h"

#include "messages/Messages.h"
#include "platform/ports/LoadProgress.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/ports/Services.h"
#include "platform/widgets/RichTextArea.h"
#include "ui/main/frmMessagePassword.h"

namespace quenzal {
namespace {

using Outcome = frmMessagePassword::Outcome;
using messages::Problem;

// Bytes that held a password or a plain text, cleared when they go.
class Wiped
{
public:
    explicit Wiped(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    ~Wiped()
    {
        volatile char *byte = m_bytes.data();
        for (qsizetype i = 0; i < m_bytes.size(); ++i)
            byte[i] = 0;
    }
    Wiped(const Wiped &) = delete;
    Wiped &operator=(const Wiped &) = delete;

    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

QString noMessage()
{
    return QStringLiteral("No OpenPGP message was found in the upper area.");
}

// The sentence of the "Error" box for each way a message can fail.
QString sentence(const messages::Failure &failure)
{
    switch (failure.problem) {
    case Problem::NoMessage:
        return noMessage();
    case Problem::NotText:
        return failure.reason + QStringLiteral(". \"quenzal-cli decrypt\" writes it to a file "
                                               "as its exact bytes.");
    default:
        return failure.reason + u'.';
    }
}

// Says why the work failed, unless the user cancelled it; a wrong or unusable
// password may be typed again.
Outcome report(MessageBoxes &messageBoxes, QWidget &asking, const messages::Failure &failure)
{
    if (failure.problem == Problem::Cancelled)
        return Outcome::Done;
    messageBoxes.critical(&asking, QStringLiteral("Error"), sentence(failure));
    const bool again =
        failure.problem == Problem::WrongPassword || failure.problem == Problem::UnusablePassword;
    return again ? Outcome::TryAgain : Outcome::Done;
}

void askPassword(const MessageControls &c, Services services, frmMessagePassword::Purpose purpose,
                 frmMessagePassword::Use use)
{
    auto *window = new frmMessagePassword(services, purpose, std::move(use), &c.window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

} // namespace

void EncryptForSending(const MessageControls &c, Services services)
{
    askPassword(c, services, frmMessagePassword::Purpose::Encrypt,
                [c, services](QWidget &asking, const QString &password) {
                    // Taking a long text from the area is part of the wait.
                    Loading loading(services.loadProgress, &asking,
                                    QStringLiteral("Encrypting..."));
                    const Wiped plain(c.original.text().toUtf8());
                    const Wiped secret(password.toUtf8());
                    const auto made =
                        messages::encrypt(plain.bytes(), secret.bytes(), true, loading.report());
                    if (!made) {
                        loading.finish();
                        return report(services.messages, asking, made.error());
                    }
                    // Armour is ASCII; a cancel while it is laid out changes nothing.
                    c.result.setText(QString::fromLatin1(*made), loading.report());
                    return Outcome::Done;
                });
}

void DecryptMessage(const MessageControls &c, Services services)
{
    Loading looking(services.loadProgress, &c.window, QStringLiteral("Finding the message..."));
    const bool found = messages::holdsMessage(c.original.text().toUtf8());
    looking.finish();
    if (!found) {
        services.messages.critical(&c.window, QStringLiteral("Error"), noMessage());
        return;
    }
    askPassword(
        c, services, frmMessagePassword::Purpose::Decrypt,
        [c, services](QWidget &asking, const QString &password) {
            Loading loading(services.loadProgress, &asking, QStringLiteral("Decrypting..."));
            const QByteArray text = c.original.text().toUtf8();
            const Wiped secret(password.toUtf8());
            const auto opened = messages::decryptText(text, secret.bytes(), loading.report());
            if (!opened) {
                loading.finish();
                return report(services.messages, asking, opened.error());
            }
            c.result.setText(*opened, loading.report());
            return Outcome::Done;
        });
}

} // namespace quenzal
