#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace quenzal::test {

constexpr int kPatience = 30000;

// quenzal-cli, started with no display of any kind.
struct Cli
{
    QProcess process;

    explicit Cli(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        process.setProcessEnvironment(environment);
        process.setProgram(QStringLiteral(QUENZAL_CLI));
        process.setArguments(arguments);
    }

    // Runs to the end with `input` on standard input; false when it does not end.
    bool run(const QByteArray &input = {})
    {
        process.start();
        if (!process.waitForStarted(kPatience))
            return false;
        if (!input.isEmpty())
            process.write(input);
        process.closeWriteChannel();
        return process.waitForFinished(kPatience);
    }

    QByteArray output() { return process.readAllStandardOutput(); }
    QString errors() { return QString::fromUtf8(process.readAllStandardError()); }
};

} // namespace quenzal::test
