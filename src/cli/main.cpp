// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "documents/document.h"

#include <QFile>

#include <cstdio>

#include <unistd.h>

namespace {

void writeTo(std::FILE *stream, const QByteArray &bytes)
{
    // Raw bytes, so the output is UTF-8 regardless of the locale.
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// In pieces and only up to its limit: `quarnex-cli analyse < /dev/zero` ends.
QByteArray readStandardInput()
{
    QFile in;
    return in.open(stdin, QIODevice::ReadOnly) ? quarnex::readBounded(&in) : QByteArray();
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt 6 reads the local 8-bit encoding of Unix as UTF-8, whatever the locale says.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    const quarnex::ProgressOutput progress{[](const QByteArray &bytes) { writeTo(stderr, bytes); },
                                           isatty(fileno(stderr)) != 0};
    const quarnex::CliOutcome outcome = quarnex::runCli(arguments, readStandardInput, progress);
    writeTo(stdout, outcome.standardOutput);
    writeTo(stderr, outcome.standardError);
    return outcome.exitCode;
}
