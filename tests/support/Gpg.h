#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace quenzal::test {

// gpg itself, as a user would run it, in a home of its own that no other
// program shares; its agent is stopped when the home goes.
class Gpg
{
public:
    Gpg() = default;
    ~Gpg()
    {
        QProcess::execute(QStringLiteral("gpgconf"),
                          {QStringLiteral("--homedir"), m_home.path(), QStringLiteral("--kill"),
                           QStringLiteral("all")});
    }
    Gpg(const Gpg &) = delete;
    Gpg &operator=(const Gpg &) = delete;

    struct Run
    {
        int exitCode = -1;
        QByteArray output;
        QByteArray errors;
    };

    // Runs gpg with `arguments` after those that make it take `password`
    // from the command line and cache nothing, `input` on its standard input.
    Run run(const QStringList &arguments, const QByteArray &password, const QByteArray &input)
    {
        QProcess gpg;
        QStringList all{QStringLiteral("--homedir"),       m_home.path(),
                        QStringLiteral("--batch"),         QStringLiteral("--no-symkey-cache"),
                        QStringLiteral("--pinentry-mode"), QStringLiteral("loopback"),
                        QStringLiteral("--passphrase"),    QString::fromUtf8(password)};
        gpg.start(QStringLiteral("gpg"), all + arguments);
        gpg.write(input);
        gpg.closeWriteChannel();
        gpg.waitForFinished(-1);
        return Run{gpg.exitStatus() == QProcess::NormalExit ? gpg.exitCode() : -1,
                   gpg.readAllStandardOutput(), gpg.readAllStandardError()};
    }

private:
    QTemporaryDir m_home;
};

} // namespace quenzal::test
