// SPDX-License-Identifier: GPL-3.0-or-later
#include "findings.h"

#include "analysis.h"
#include "numbers.h"
#include "search.h"
#include "textterms.h"

#include <QHash>
#include <QSet>
#include <QStringMatcher>

#include <algorithm>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype maximumHeadingLength = 40;

qsizetype codePoints(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()))
            ++count;
    }
    return count;
}

bool opensTag(QStringView text, qsizetype at)
{
    if (at + 1 >= text.size())
        return false;
    const QChar next = text[at + 1];
    return (next.unicode() < 0x80 && next.isLetter()) || next == u'/' || next == u'!' ||
           next == u'?';
}

// The character of an entity body (between '&' and ';'), or nothing when it is not one we know.
std::optional<QString> entityText(QStringView name)
{
    static const QHash<QString, QString> named = {
        {u"amp"_s, u"&"_s},   {u"lt"_s, u"<"_s},    {u"gt"_s, u">"_s},
        {u"quot"_s, u"\""_s}, {u"apos"_s, u"'"_s},  {u"nbsp"_s, u"\u00A0"_s},
        {u"ldquo"_s, u"“"_s}, {u"rdquo"_s, u"”"_s}, {u"middot"_s, u"·"_s},
        {u"hellip"_s, u"…"_s}, {u"mdash"_s, u"—"_s}, {u"ndash"_s, u"–"_s},
    };
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
        const QStringView digits = name.sliced(hex ? 2 : 1);
        if (digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        const uint code = digits.toUInt(&ok, hex ? 16 : 10);
        if (!ok)
            return std::nullopt;
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString(QChar::ReplacementCharacter);
        const char32_t c = code;
        return QString::fromUcs4(&c, 1);
    }
    const auto found = named.constFind(name.toString());
    if (found == named.cend())
        return std::nullopt;
    return *found;
}

// Each occurrence of each piece as a range of the sentence, then their union's length.
QList<TextRange> occurrences(QStringView sentence, const QStringList &pieces)
{
    QList<TextRange> ranges;
    QSet<QString> seen;
    for (const QString &piece : pieces) {
        if (codePoints(piece) < minimumCoveragePiece || piece.size() > sentence.size() ||
            seen.contains(piece))
            continue;
        seen.insert(piece);
        const QStringMatcher matcher(piece);
        for (qsizetype at = matcher.indexIn(sentence); at >= 0;
             at = matcher.indexIn(sentence, at + 1))
            ranges.append({at, piece.size()});
    }
    return ranges;
}

QString withoutBlanks(QStringView text)
{
    QString kept;
    for (QChar c : text) {
        if (!c.isSpace() && c.unicode() != ideographicSpace)
            kept.append(c);
    }
    return kept;
}

// A heading as the table of contents and the body both write it: blanks gone, and the dot
// leaders and page number that a table of contents puts after it taken off.
QString headingKey(QStringView paragraph)
{
    QString key = withoutBlanks(paragraph);
    qsizetype end = key.size();
    const auto isLeader = [](QChar c) {
        return c.isDigit() || c == u'.' || c == u'·' || c == u'…' || c == u'-' || c == u'—' ||
               c == u'_' || c == u'．';
    };
    while (end > 0 && isLeader(key[end - 1]))
        --end;
    // "1.1" alone would lose everything: keep the key whole then.
    return end == 0 ? key : key.first(end);
}

bool isClosingMatter(QStringView paragraph)
{
    const QString bare = withoutBlanks(paragraph);
    return bare.size() <= maximumHeadingLength &&
           (bare == u"致谢" || bare.startsWith(u"附录"));
}

bool isChineseNumeral(QChar c)
{
    return QStringView(u"零〇一二三四五六七八九十百两").contains(c);
}

bool isHan(QStringView text, qsizetype at)
{
    const char32_t c = QStringView(text.sliced(at)).toUcs4().value(0);
    return QChar::script(c) == QChar::Script_Han;
}

qint64 ratio(qsizetype part, qsizetype whole)
{
    return roundedHundredths(qint64(part) * 100, whole).value_or(0);
}

int wholePercent(qsizetype part, qsizetype whole)
{
    if (whole <= 0)
        return 0;
    const qint64 scaled = qint64(part) * 100;
    qint64 quotient = scaled / whole;
    const qint64 twiceRest = 2 * (scaled % whole);
    if (twiceRest > whole || (twiceRest == whole && quotient % 2 == 1))
        ++quotient;
    return int(quotient);
}

} // namespace

QString plainText(QStringView markup)
{
    QString text;
    text.reserve(markup.size());
    qsizetype i = 0;
    while (i < markup.size()) {
        const QChar c = markup[i];
        if (c == u'<' && opensTag(markup, i)) {
            const qsizetype close = markup.indexOf(u'>', i + 1);
            if (close < 0)
                break;
            i = close + 1;
            continue;
        }
        if (c == u'&') {
            const qsizetype semicolon = markup.indexOf(u';', i + 1);
            if (semicolon > i + 1 && semicolon - i <= 10) {
                if (const auto decoded = entityText(markup.sliced(i + 1, semicolon - i - 1))) {
                    text.append(*decoded);
                    i = semicolon + 1;
                    continue;
                }
            }
        }
        text.append(c);
        ++i;
    }
    return text;
}

QStringList highlightPieces(QStringView pageHtml)
{
    const bool upper = pageHtml.contains(u"<EM>");
    const QStringView open = upper ? u"<EM>" : u"<em>";
    const QStringView close = upper ? u"</EM>" : u"</em>";
    QStringList pieces;
    bool first = true;
    for (QStringView piece : pageHtml.tokenize(open)) {
        if (first) {
            first = false;
            continue;
        }
        const qsizetype end = piece.indexOf(close);
        const QString text = plainText(end < 0 ? piece : piece.first(end));
        if (codePoints(text) >= minimumCoveragePiece)
            pieces.append(text);
    }
    return pieces;
}

qsizetype coveredLength(QStringView sentence, const QStringList &pieces)
{
    QList<TextRange> ranges = occurrences(sentence, pieces);
    std::sort(ranges.begin(), ranges.end(),
              [](const TextRange &a, const TextRange &b) { return a.start < b.start; });
    qsizetype covered = 0;
    qsizetype reached = 0;
    for (const TextRange &range : ranges) {
        const qsizetype end = range.start + range.length;
        if (end <= reached)
            continue;
        covered += end - std::max(reached, range.start);
        reached = end;
    }
    return covered;
}

int coveragePercent(QStringView sentence, const QStringList &pieces)
{
    return wholePercent(coveredLength(sentence, pieces), sentence.size());
}

Band bandOf(std::optional<int> coverage)
{
    if (!coverage)
        return Band::Grey;
    if (*coverage >= 50)
        return Band::Red;
    if (*coverage >= 20)
        return Band::Orange;
    return Band::Green;
}

QString bandName(Band band)
{
    switch (band) {
    case Band::Red:
        return u"red"_s;
    case Band::Orange:
        return u"orange"_s;
    case Band::Green:
        return u"green"_s;
    case Band::Grey:
        break;
    }
    return u"grey"_s;
}

QList<ResultText> readResultTexts(QStringView markedHtml, qsizetype limit)
{
    QString plain = markedHtml.toString();
    for (QStringView tag : {u"<EM>", u"<em>", u"</EM>", u"</em>"})
        plain = replaceAll(plain, tag, {});
    // As readResults groups them: pieces 3j+1 title, 3j+2 address, 3j+3 the snippet markup.
    const QList<QStringView> pieces = QStringView(plain).split(resultMarker);
    QList<ResultText> results;
    for (qsizetype k = 3; k < pieces.size() && results.size() < limit; k += 3) {
        ResultText result;
        result.result = {pieces[k - 2].toString(), pieces[k - 1].toString()};
        result.text = plainText(pieces[k - 2]) + u'\n' + plainText(pieces[k]);
        results.append(result);
    }
    return results;
}

PageEvidence pageEvidence(QStringView pageHtml)
{
    return {highlightPieces(pageHtml), readResultTexts(markDelimiters(pageHtml))};
}

PaperLayout paperLayout(QStringView editorText)
{
    PaperLayout layout;
    for (QStringView paragraph : editorText.tokenize(lineBreak)) {
        const qsizetype index = layout.paragraphs.size();
        layout.paragraphs.append(paragraph.toString());
        // The analysis breaks lines only inside paragraphs, so a paragraph analysed with its
        // own line break gives exactly its share of the sentences.
        const qsizetype count = analyse(paragraph.toString() + lineBreak.toString()).sentences.size();
        for (qsizetype i = 0; i < count; ++i)
            layout.paragraphOf.append(index);
    }
    return layout;
}

bool isHeading(QStringView paragraph)
{
    const QStringView text = trimmedBlanks(paragraph);
    if (text.isEmpty() || text.size() > maximumHeadingLength)
        return false;
    if (text.startsWith(u'第')) {
        qsizetype i = 1;
        while (i < text.size() && (text[i].isDigit() || isChineseNumeral(text[i])))
            ++i;
        if (i > 1 && i < text.size() && text[i] == u'章')
            return true;
    }
    if (text.size() >= 2 && QStringView(u"一二三四五六七八九十").contains(text[0]) &&
        text[1] == u'、')
        return true;
    qsizetype i = 0;
    while (true) {
        const qsizetype digits = i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        if (i == digits)
            return false;
        if (i + 1 < text.size() && text[i] == u'.' && text[i + 1] >= u'0' && text[i + 1] <= u'9') {
            ++i;
            continue;
        }
        break;
    }
    return i < text.size() &&
           (text[i] == u' ' || text[i].unicode() == ideographicSpace || isHan(text, i));
}

QList<Section> paperSections(const QStringList &paragraphs)
{
    QList<Section> sections;
    qsizetype p = 0;
    bool tableDone = false;
    while (p < paragraphs.size()) {
        const QStringView paragraph = paragraphs[p];
        const QString bare = withoutBlanks(paragraph);
        if (!tableDone && bare == u"目录") {
            tableDone = true;
            sections.append({trimBlanks(paragraph), p, SectionKind::TableOfContents});
            // Up to the first heading met twice: the body's own copy of a listed heading.
            QSet<QString> listed;
            qsizetype q = p + 1;
            for (; q < paragraphs.size(); ++q) {
                if (!isHeading(paragraphs[q]))
                    continue;
                const QString key = headingKey(paragraphs[q]);
                if (listed.contains(key))
                    break;
                listed.insert(key);
            }
            // Without a repeated heading only "目录" itself is taken as the table.
            p = q < paragraphs.size() ? q : p + 1;
            continue;
        }
        if (bare == u"参考文献") {
            sections.append({trimBlanks(paragraph), p, SectionKind::References});
            ++p;
            while (p < paragraphs.size() && !isHeading(paragraphs[p]) &&
                   !isClosingMatter(paragraphs[p]))
                ++p;
            continue;
        }
        if (isHeading(paragraph) || isClosingMatter(paragraph))
            sections.append({trimBlanks(paragraph), p, SectionKind::Body});
        ++p;
    }
    return sections;
}

QList<bool> inTableOfContentsOrReferences(const QStringList &sentences, const PaperLayout &layout)
{
    const QList<Section> sections = paperSections(layout.paragraphs);
    QList<bool> left(sentences.size(), false);
    for (qsizetype i = 0; i < sentences.size() && i < layout.paragraphOf.size(); ++i) {
        const qsizetype paragraph = layout.paragraphOf[i];
        const auto after = std::upper_bound(
            sections.cbegin(), sections.cend(), paragraph,
            [](qsizetype p, const Section &s) { return p < s.firstParagraph; });
        if (after != sections.cbegin())
            left[i] = std::prev(after)->kind != SectionKind::Body;
    }
    return left;
}

PaperFindings paperFindings(const QStringList &sentences, const PaperLayout &layout,
                            const QList<std::optional<PageEvidence>> &pages)
{
    PaperFindings findings;
    const QList<Section> sections = paperSections(layout.paragraphs);
    for (const Section &section : sections)
        findings.sections.append({section.heading, section.kind});

    qsizetype total = 0, red = 0, keptTotal = 0, keptRed = 0;
    QHash<QString, qsizetype> sourceIndex;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const QString &sentence = sentences[i];
        SentenceFinding finding;
        if (i < layout.paragraphOf.size()) {
            const qsizetype paragraph = layout.paragraphOf[i];
            const auto after = std::upper_bound(
                sections.cbegin(), sections.cend(), paragraph,
                [](qsizetype p, const Section &s) { return p < s.firstParagraph; });
            if (after != sections.cbegin())
                finding.section = std::prev(after) - sections.cbegin();
        }
        const bool blank = isBlankSearchText(searchText(listEntry(i, sentence)));
        const PageEvidence *page = i < pages.size() && pages[i] ? &*pages[i] : nullptr;
        if (!blank && page) {
            const qsizetype covered = coveredLength(sentence, page->pieces);
            finding.coverage = wholePercent(covered, sentence.size());
            finding.band = bandOf(finding.coverage);
            if (finding.band == Band::Red || finding.band == Band::Orange) {
                QString longest;
                for (const TextRange &range : occurrences(sentence, page->pieces)) {
                    if (range.length > longest.size())
                        longest = sentence.sliced(range.start, range.length);
                }
                for (const ResultText &result : page->results) {
                    if (finding.sources.size() == sourcesPerSentence)
                        break;
                    if (!result.text.contains(longest))
                        continue;
                    finding.sources.append(result.result);
                    const QString key = result.result.url + u'\n' + result.result.title;
                    auto found = sourceIndex.find(key);
                    if (found == sourceIndex.end()) {
                        found = sourceIndex.insert(key, findings.sources.size());
                        findings.sources.append({result.result});
                    }
                    SourceFigures &figures = findings.sources[*found];
                    ++figures.sentences;
                    figures.characters += covered;
                }
            }
        }
        if (!blank) {
            const bool isRed = finding.band == Band::Red;
            total += sentence.size();
            red += isRed ? sentence.size() : 0;
            const bool left = finding.section &&
                              sections[*finding.section].kind != SectionKind::Body;
            if (!left) {
                keptTotal += sentence.size();
                keptRed += isRed ? sentence.size() : 0;
            }
            if (finding.section) {
                SectionFigures &figures = findings.sections[*finding.section];
                figures.characters += sentence.size();
                figures.redCharacters += isRed ? sentence.size() : 0;
            }
        }
        findings.sentences.append(finding);
    }
    for (SectionFigures &figures : findings.sections)
        figures.copyRatio = ratio(figures.redCharacters, figures.characters);
    findings.copyRatio = ratio(red, total);
    findings.copyRatioWithoutReferences = ratio(keptRed, keptTotal);
    std::stable_sort(findings.sources.begin(), findings.sources.end(),
                     [](const SourceFigures &a, const SourceFigures &b) {
                         return a.sentences != b.sentences ? a.sentences > b.sentences
                                                           : a.characters > b.characters;
                     });
    return findings;
}

} // namespace quarnex
