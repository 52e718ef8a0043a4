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

// The armour of `binary`, with its checksum, as gpg writes it.
inline QByteArray armourOf(const QByteArray &binary)
{
    quint32 crc = 0xB704CE;
    for (const char byte : binary) {
        crc ^= quint32(quint8(byte)) << 16;
        for (int bit = 0; bit < 8; ++bit) {
            crc <<= 1;
            if (crc & 0x1000000)
                crc ^= 0x1864CFB;
        }
    }
    const char sumBytes[] = {char(crc >> 16), char(crc >> 8), char(crc)};
    const QByteArray sum(sumBytes, 3);
    QByteArray body = binary.toBase64();
    QByteArray text = "-----BEGIN PGP MESSAGE-----\n\n";
    for (qsizetype at = 0; at < body.size(); at += 64)
        text += body.mid(at, 64) + '\n';
    return text + '=' + sum.toBase64() + "\n-----END PGP MESSAGE-----\n";
}

} // namespace quenzal::test
