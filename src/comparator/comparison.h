// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/textterms.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace quarnex {

// A range of the paper to colour red.
using Mark = TextRange;

// What one press of "对比并标注" finds.
struct Comparison {
    // The reference sentences joined by CR LF.
    QString referenceText;
    // The reference cut at its commas, full stops, exclamation and question marks, double
    // ellipses and line breaks, blank pieces dropped.
    QStringList referenceSentences;
    // Every occurrence of every reference sentence of six characters or more, each range once:
    // sentence by sentence in reference order, each sentence's occurrences left to right,
    // never overlapping one another. A sentence that stands again later in the reference adds
    // nothing here, so a paper and a reference that repeat one sentence n times give n marks,
    // not n × n. Ranges of different sentences may overlap.
    QList<Mark> marks;
    // Where the editor's selection ends once the marks are coloured: the last occurrence of
    // the found sentence that stands last in the reference, repetitions included, as if each
    // reference sentence's occurrences had been selected and coloured in turn. For the
    // reference "A。B。A。" that is A's last occurrence, though B's marks come last. Empty when
    // nothing is found.
    Mark lastMarked;
    qint64 repeatedChars = 0;     // C: length of each found sentence, not of each occurrence
    qint64 repeatedSentences = 0; // S: reference sentences found at least once
    qint64 extraOccurrences = 0;  // P: occurrences beyond each found sentence's first
};

// The reference with its 14 replacements applied, each a single left-to-right pass:
// u"Hello, world." gives u"Hello，\r\n world。\r\n".
QString normaliseReference(QStringView reference);

// The kept pieces of a normalised reference: split at CR LF, pieces that are empty once their
// ideographic spaces are removed and their ASCII spaces trimmed are dropped.
QStringList cutReferenceSentences(QStringView normalised);

// Compares the paper with the reference. An empty paper is not searched.
Comparison compareWithReference(QStringView paper, QStringView reference);

// round2(part / whole) × 100 as a whole number, an exact half going to the even neighbour;
// 0 when whole is 0. percentOf(6, 48) is 12.
qint64 percentOf(qint64 part, qint64 whole);

// The three lines of the comparator's Label1, joined by CR LF:
// "你的文章一共 N 字，重复 P 段， S 句， C 字", "        重复部分占你的文章的： X %",
// "        与参考文章的相似度为： Y %".
QString comparisonMessage(qint64 paperLength, qint64 paragraphs, qint64 sentences,
                          qint64 characters, qint64 share, qint64 similarity);

// The comparator's running totals: they grow with every comparison and last for the whole run
// of the program, across closing and reopening the window, so the main window keeps them.
struct ComparatorTotals {
    qint64 repeatedChars = 0;
    qint64 repeatedSentences = 0;
    qint64 extraOccurrences = 0;
};

} // namespace quarnex
