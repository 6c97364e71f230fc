#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>

namespace quarnex {

// Everything one run of the command line produces, to be written out by the caller.
struct CliOutcome {
    int exitCode = 0;
    QByteArray standardOutput;
    QByteArray standardError;
};

// The exit codes: success, and bad arguments, an unreadable file or malformed input.
inline constexpr int exitSuccess = 0;
inline constexpr int exitBadInput = 2;

QString cliUsage();

// Runs one command line, given without the program name. Standard input is read through
// `readStandardInput`, and only when an operand asks for it ("-" or a missing file).
CliOutcome runCli(const QStringList &arguments,
                  const std::function<QByteArray()> &readStandardInput);

} // namespace quarnex
