// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRandomGenerator>
#include <QString>

namespace quarnex::bench {

// A sentence of `shortest` to `longest` - 1 characters drawn from the common CJK block, ended by
// "。"; the same generator seed gives the same text on every run.
QString randomSentence(QRandomGenerator &random, int shortest, int longest);

} // namespace quarnex::bench
