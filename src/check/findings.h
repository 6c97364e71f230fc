// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace quarnex {

// What a student can act on, beside the figures of the check: how much of each sentence the
// result page found, in which colour band, in which chapter, and from which sources. Every
// length is in UTF-16 code units, as in the JSON the command line writes.

// A piece counts towards coverage when it has at least this many characters (code points).
inline constexpr qsizetype minimumCoveragePiece = 2;

// The highlighted pieces of a page, found as the similarity measure finds its fragments (the
// same tag choice, split at each open tag, up to the first close tag), with markup removed and
// entities decoded, of at least two characters each; in page order, repeats kept.
QStringList highlightPieces(QStringView pageHtml);

// Markup removed and the common entities decoded: "<b>甲</b>&amp;乙" gives "甲&乙". A '<'
// that opens a tag and is never closed drops the rest of the text; any other '<' stays.
QString plainText(QStringView markup);

// The whole percent (an exact half to even) of the sentence's positions that lie inside an
// occurrence of at least one piece; 0 for an empty sentence.
int coveragePercent(QStringView sentence, const QStringList &pieces);
// The number of positions such occurrences cover.
qsizetype coveredLength(QStringView sentence, const QStringList &pieces);

enum class Band { Red, Orange, Green, Grey };

// Red from 50 %, orange from 20 %, green below; grey without coverage.
Band bandOf(std::optional<int> coverage);
// "red", "orange", "green", "grey".
QString bandName(Band band);

// A result of a page as its sources are told: title and address as the page had them, and the
// result's text (title and snippet) as plain text.
struct ResultText {
    SearchResult result;
    QString text;
};

// The results of a page, each with its text; as readResults, at most `limit`.
QList<ResultText> readResultTexts(QStringView markedHtml,
                                  qsizetype limit = ResultSlots::perSentence);

// What one read page tells of its sentence.
struct PageEvidence {
    QStringList pieces;
    QList<ResultText> results;
};

PageEvidence pageEvidence(QStringView pageHtml);

// The paper as the chapters see it: the paragraph of each sentence and the paragraphs.
struct PaperLayout {
    QStringList paragraphs;
    // One entry per sentence of the analysis: the index of its paragraph.
    QList<qsizetype> paragraphOf;
};

// The layout of the editor's text (CR LF line breaks) for the sentences its analysis gives.
PaperLayout paperLayout(QStringView editorText);

// True for a paragraph that starts a chapter or section: at most 40 characters, starting with
// "第" + a number + "章", with "1", "2.3", "4.1.2"… followed by a space, a full-width space or
// a Chinese character, or with "一、" … "十、".
bool isHeading(QStringView paragraph);

enum class SectionKind { Body, TableOfContents, References };

struct Section {
    QString heading;
    qsizetype firstParagraph = 0;
    SectionKind kind = SectionKind::Body;
};

// The sections of the paper, in order. Each starts at a heading, at "目录", at "参考文献", or
// at "致谢"/"附录". The table of contents runs from "目录" to the first heading that appears a
// second time, and its headings start no section; the references from "参考文献" to the next
// heading, "致谢" or "附录". Paragraphs before the first section belong to none.
QList<Section> paperSections(const QStringList &paragraphs);

struct SectionFigures {
    QString heading;
    SectionKind kind = SectionKind::Body;
    qsizetype characters = 0;
    qsizetype redCharacters = 0;
    // Percent in hundredths, an exact half to even: 1234 is 12.34 %.
    qint64 copyRatio = 0;
};

struct SourceFigures {
    SearchResult result;
    qsizetype sentences = 0;
    // The covered positions of those sentences.
    qsizetype characters = 0;
};

struct SentenceFinding {
    std::optional<int> coverage;
    Band band = Band::Grey;
    std::optional<qsizetype> section;
    // At most three results whose text holds the sentence's longest piece; red and orange only.
    QList<SearchResult> sources;
};

struct PaperFindings {
    QList<SentenceFinding> sentences;
    // Hundredths of a percent: red length ÷ the length of the non-blank sentences.
    qint64 copyRatio = 0;
    // The same, the table of contents and the references left out.
    qint64 copyRatioWithoutReferences = 0;
    QList<SectionFigures> sections;
    QList<SourceFigures> sources;
};

inline constexpr qsizetype sourcesPerSentence = 3;

// The findings of a check: `pages` holds, per sentence, the evidence of its page when one was
// read. A blank sentence (its search text blank) has no coverage and counts nowhere.
PaperFindings paperFindings(const QStringList &sentences, const PaperLayout &layout,
                            const QList<std::optional<PageEvidence>> &pages);

// True for the sentences that lie in the table of contents or the references.
QList<bool> inTableOfContentsOrReferences(const QStringList &sentences, const PaperLayout &layout);

} // namespace quarnex
