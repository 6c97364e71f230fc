// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "results.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace quarnex {

// A page whose text measure is under this scores 0.
inline constexpr qsizetype minimumPageText = 500;
// A highlighted fragment counts only when it is longer than this.
inline constexpr qsizetype minimumFragment = 5;
// What the local engine's page says when no document shares a run of six characters with the
// query. A web result page always highlights something; this page has nothing to highlight, yet
// it is an answer, not a block, and the run goes on past it.
inline constexpr QStringView noResultsNotice = u"文库中没有与这句话有六个以上相同连续文字的文档。";
// Stands in for the result delimiters in markedHtml.
inline constexpr QStringView resultMarker = u"<bbbbbbbb>";

// The text measure of a page: its double-byte characters other than U+3000, in order, each in
// its narrow form where it has one ("Ａ" → "A"). Only its length is used.
QString pageText(QStringView pageHtml);
qsizetype pageTextLength(QStringView pageHtml);

struct Highlight {
    // The fragments longer than five characters, in page order, concatenated.
    QString text;
    // At least one open tag was found; an automatic run stops on a page without one.
    bool openTagFound = false;
};

// The text between "<EM>" and the next "</EM>" (or the next "<EM>" when no "</EM>" comes
// first), fragments of six characters or more only. "<em>"/"</em>" are looked at only when the
// page holds no "<EM>" at all.
Highlight highlightedText(QStringView pageHtml);

// round2(highlighted / (2 × sentence length + 1200)) × 100, or 0 when the text measure is
// under 500. A 20-character sentence with 19 highlighted characters scores 2.
qint64 sentencePercent(qsizetype pageTextLength, qsizetype highlightedLength,
                       qsizetype sentenceLength);

// The caption of Label2: "本句相似度：2%\r\n\r\n目前总体相似度：8.33%".
QString similarityLine(qint64 percent, QStringView overall);

// The progress line of Label1 for the sentence with the 1-based number:
// "现在正在对比第 1 句！共 5 句。".
QString progressLine(qsizetype number, qsizetype sentenceCount);

// pageHtml with the four result delimiters replaced by resultMarker, in their order.
QString markDelimiters(QStringView pageHtml);

struct SearchResult {
    QString title;
    QString url;
};

// The results of a page, read from its markedHtml: highlight tags removed, split at the marker,
// every third piece closing a result whose title and address are the two pieces before it.
// Titles and addresses stay as they stand in the markup. At most `limit` results.
QList<SearchResult> readResults(QStringView markedHtml, qsizetype limit = ResultSlots::perSentence);

// Everything one page yields for one sentence.
struct PageReading {
    qsizetype pageTextLength = 0;
    Highlight highlight;
    qint64 percent = 0;
    QString markedHtml;
    QList<SearchResult> results;
    // A search's answer: it highlights something or says that nothing was found. An automatic
    // run stops on any other page.
    bool answered = false;
};

// Reads a non-empty page body for the sentence it was searched for.
PageReading readPage(QStringView pageHtml, QStringView sentence);

// Writes the results into the slots of the sentence with the 0-based index, from its first slot
// on; slots beyond the last result keep what they held. Nothing is written outside that
// sentence's ten slots, nor when the index is outside the lists.
void storeResults(ResultSlots &slots, qsizetype sentenceIndex, const QList<SearchResult> &results);

} // namespace quarnex
