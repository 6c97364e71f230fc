// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace quarnex::testcorpus {

// A paper of four sentences, the second empty, so it searches for nothing.
QString paper();

// The search texts of the sent sentences, in order.
QStringList searchTexts();

// Writes a small corpus of .txt documents into the folder: five hold the first sentence whole
// (16 characters), three the third (12), one shares only "在这里" with the fourth, and nothing
// else shares a run of six characters with the paper. Against the engine the sentences score
// round2(5·16 / 1234) = 6, round2(3·12 / 1226) = 3 and 0: overall 6, 4.5 and 3.
bool write(const QString &folder);

} // namespace quarnex::testcorpus
