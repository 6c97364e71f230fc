// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outcome.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarnex {

inline constexpr QStringView optionSearchBase = u"--search-base";
inline constexpr QStringView optionEngine = u"--engine";
inline constexpr QStringView optionSentence = u"--sentence";
inline constexpr QStringView optionPause = u"--pause";
inline constexpr QStringView optionReport = u"--report";
inline constexpr QStringView optionPdf = u"--pdf";
inline constexpr QStringView optionSave = u"--save";
inline constexpr QStringView optionResume = u"--resume";

// One command line, taken apart: the command, its operands and the options given.
struct CommandLine {
    // Null when the line names no command.
    QString command;
    QStringList operands;
    bool json = false;
    bool help = false;
    bool version = false;
    // check: leave the table of contents and the references unsent.
    bool skipReferences = false;
    // The value of each value option given, keyed by its name with the dashes ("--engine").
    QHash<QString, QString> values;

    std::optional<QString> value(QStringView option) const;
};

// Options may stand anywhere, before or after the command, as "--engine zhiwang" or
// "--engine=zhiwang"; "--" ends them, so that a file named "--json" can still be given, and
// "-" alone is an operand: standard input. A help or version request wins over any fault of
// the rest of the line.
Result<CommandLine> parseCommandLine(const QStringList &arguments);

// Whether the command takes the value options given and between minOperands and maxOperands
// operands.
std::optional<Failure> checkShape(const CommandLine &line, qsizetype minOperands,
                                  qsizetype maxOperands);

QString cliUsage();

} // namespace quarnex
