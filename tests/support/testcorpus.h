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

// A thesis of real shape: headings, a table of contents, 40 sentences of its own, three
// sentences copied from one library document (甲.txt) and one from another (乙.txt), and
// references.
QString thesis();

// The four sentences the thesis copies, one after the other.
QString thesisCopies();

// Writes the library of the thesis into the folder: 甲.txt and 乙.txt hold the copied
// sentences; 丙.txt and 丁.txt use the thesis's words but never six characters in a row of it.
bool writeThesisLibrary(const QString &folder);

} // namespace quarnex::testcorpus
