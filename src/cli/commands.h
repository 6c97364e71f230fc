// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

namespace quarnex {

// Runs one command line, given without the program name. Standard input is read through
// `readStandardInput`, and only when an operand asks for it ("-" or a missing file).
CliOutcome runCli(const QStringList &arguments,
                  const std::function<QByteArray()> &readStandardInput,
                  const ProgressOutput &progress = {});

} // namespace quarnex
