// SPDX-License-Identifier: GPL-3.0-or-later
#include "page.h"

#include "codepage936.h"
#include "numbers.h"
#include "textterms.h"

#include <QStringMatcher>

#include <algorithm>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// In the page a result reads: delimiter 2, the title, delimiter 1, the address, then
// delimiter 3 (upper-case markup) or 4 (lower-case, quoted attribute).
constexpr QStringView resultDelimiters[] = {
    u"\",\"url\":\"",
    u"data-tools='{\"title\":\"",
    u"\"}'><A class=c-tip-icon>",
    u"\"}'><a class=\"c-tip-icon\">",
};

constexpr QStringView highlightTags[] = {u"<EM>", u"<em>", u"</EM>", u"</em>"};

// The narrow form of a wide character: full-width ASCII U+FF01–U+FF5E and the full-width
// signs U+FFE0–U+FFE6 decompose <wide> to their half-width forms.
QChar narrowed(QChar c)
{
    if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFFE6 && c.decompositionTag() == QChar::Wide) {
        const QString narrow = c.decomposition();
        if (narrow.size() == 1)
            return narrow[0];
    }
    return c;
}

Highlight collectHighlights(QStringView html, QStringView open, QStringView close)
{
    Highlight result;
    const QStringMatcher openMatcher(open);
    const QStringMatcher closeMatcher(close);
    qsizetype openAt = openMatcher.indexIn(html);
    // The next close tag at or after the current piece. Kept between pieces, so that a page of
    // many open tags and one late close tag is still scanned once.
    qsizetype closeAt = -2;
    while (openAt >= 0) {
        const qsizetype pieceStart = openAt + open.size();
        const qsizetype nextOpen = openMatcher.indexIn(html, pieceStart);
        const qsizetype pieceEnd = nextOpen < 0 ? html.size() : nextOpen;
        if (closeAt != -1 && closeAt < pieceStart)
            closeAt = closeMatcher.indexIn(html, pieceStart);
        // A close tag that starts inside the piece but reaches past it is not in the piece.
        const bool closed = closeAt >= 0 && closeAt + close.size() <= pieceEnd;
        const qsizetype fragmentEnd = closed ? closeAt : pieceEnd;
        if (fragmentEnd - pieceStart > minimumFragment)
            result.text.append(html.sliced(pieceStart, fragmentEnd - pieceStart));
        result.openTagFound = true;
        openAt = nextOpen;
    }
    return result;
}

} // namespace

QString pageText(QStringView pageHtml)
{
    QString text;
    text.reserve(pageHtml.size() / 4);
    for (QChar c : pageHtml) {
        if (c.unicode() != ideographicSpace && isDoubleByte(c))
            text.append(narrowed(c));
    }
    return text;
}

qsizetype pageTextLength(QStringView pageHtml)
{
    return countDoubleByte(pageHtml) - pageHtml.count(QChar(ideographicSpace));
}

Highlight highlightedText(QStringView pageHtml)
{
    if (pageHtml.contains(u"<EM>"))
        return collectHighlights(pageHtml, u"<EM>", u"</EM>");
    return collectHighlights(pageHtml, u"<em>", u"</em>");
}

qint64 sentencePercent(qsizetype pageTextLength, qsizetype highlightedLength,
                       qsizetype sentenceLength)
{
    if (pageTextLength < minimumPageText)
        return 0;
    return *roundedHundredths(highlightedLength, 2 * qint64(sentenceLength) + 1200);
}

QString similarityLine(qint64 percent, QStringView overall)
{
    return u"本句相似度："_s + QString::number(percent) + u"%\r\n\r\n目前总体相似度："_s +
           overall.toString() + u'%';
}

QString progressLine(qsizetype number, qsizetype sentenceCount)
{
    return u"现在正在对比第 "_s + QString::number(number) + u" 句！共 "_s +
           QString::number(sentenceCount) + u" 句。"_s;
}

QString markDelimiters(QStringView pageHtml)
{
    QString marked = pageHtml.toString();
    for (QStringView delimiter : resultDelimiters)
        marked = replaceAll(marked, delimiter, resultMarker);
    return marked;
}

QList<SearchResult> readResults(QStringView markedHtml, qsizetype limit)
{
    QString plain = markedHtml.toString();
    for (QStringView tag : highlightTags)
        plain = replaceAll(plain, tag, {});

    QList<SearchResult> results;
    // Pieces 1, 4, 7… are titles, 2, 5, 8… addresses; piece k closes a result when k is a
    // multiple of 3. Only the last two pieces need keeping.
    QStringView beforeLast;
    QStringView last;
    qsizetype k = 0;
    for (QStringView piece : QStringView(plain).tokenize(resultMarker)) {
        if (k > 0 && k % 3 == 0) {
            if (results.size() >= limit)
                break;
            results.append({beforeLast.toString(), last.toString()});
        }
        beforeLast = last;
        last = piece;
        ++k;
    }
    return results;
}

PageReading readPage(QStringView pageHtml, QStringView sentence)
{
    PageReading reading;
    reading.pageTextLength = pageTextLength(pageHtml);
    reading.highlight = highlightedText(pageHtml);
    reading.percent =
        sentencePercent(reading.pageTextLength, reading.highlight.text.size(), sentence.size());
    reading.markedHtml = markDelimiters(pageHtml);
    reading.results = readResults(reading.markedHtml);
    reading.answered = reading.highlight.openTagFound || pageHtml.contains(noResultsNotice);
    return reading;
}

void storeResults(ResultSlots &slots, qsizetype sentenceIndex, const QList<SearchResult> &results)
{
    const qsizetype first = ResultSlots::perSentence * sentenceIndex;
    if (sentenceIndex < 0 || first + ResultSlots::perSentence >= slots.size())
        return;
    const qsizetype count = std::min(results.size(), ResultSlots::perSentence);
    for (qsizetype j = 0; j < count; ++j) {
        slots.titles[first + j] = results[j].title;
        slots.urls[first + j] = results[j].url;
    }
}

} // namespace quarnex
