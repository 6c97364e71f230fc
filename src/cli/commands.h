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

// The exit codes: success; bad arguments, an unreadable file or malformed input; a check that
// stopped before its last sentence.
inline constexpr int exitSuccess = 0;
inline constexpr int exitBadInput = 2;
inline constexpr int exitStopped = 3;

// Where a long command reports how far it got while it runs, rather than when it ends.
struct ProgressOutput {
    std::function<void(const QByteArray &)> write;
    // A terminal gets one line rewritten in place; anything else a plain line per step.
    bool terminal = false;
};

QString cliUsage();

// Runs one command line, given without the program name. Standard input is read through
// `readStandardInput`, and only when an operand asks for it ("-" or a missing file).
CliOutcome runCli(const QStringList &arguments,
                  const std::function<QByteArray()> &readStandardInput,
                  const ProgressOutput &progress = {});

} // namespace quarnex
