#include "commands.h"

#include "documents/document.h"

#include <QFile>

#include <cstdio>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // Qt 6 reads the local 8-bit encoding of Unix as UTF-8, whatever the locale says.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    const quarnex::ProgressOutput progress{[](const QByteArray &bytes) {
                                               std::fwrite(bytes.constData(), 1, bytes.size(),
                                                           stderr);
                                               std::fflush(stderr);
                                           },
                                           isatty(fileno(stderr)) != 0};
    const quarnex::CliOutcome outcome = quarnex::runCli(
        arguments,
        [] {
            // In pieces and only up to its limit: `quarnex-cli analyse < /dev/zero` ends.
            QFile in;
            return in.open(stdin, QIODevice::ReadOnly) ? quarnex::readBounded(&in) : QByteArray();
        },
        progress);

    // Raw bytes, so the output is UTF-8 regardless of the locale.
    std::fwrite(outcome.standardOutput.constData(), 1, outcome.standardOutput.size(), stdout);
    std::fwrite(outcome.standardError.constData(), 1, outcome.standardError.size(), stderr);
    std::fflush(stdout);
    return outcome.exitCode;
}
