// SPDX-License-Identifier: GPL-3.0-or-later
// The reading-order rules of PDF text, over plain boxes, so that no document is needed to try
// them.
#include "pdf.h"

#include <algorithm>
#include <optional>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// Lines and words measured against the body's type: a line this much smaller is a note, this
// much taller or shorter than its neighbour another kind of text.
constexpr double noteSize = 0.85;
constexpr double sizeChange = 0.15;
// Headers, footers and page numbers stand within this share of the page's height from its
// top or bottom edge.
constexpr double edgeBand = 0.15;

char32_t codePointAt(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[i + 1]);
    if (c.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())
        return QChar::surrogateToUcs4(text[i - 1], c);
    return c.unicode();
}

// Ideographs, kana, hangul and the CJK and full-width punctuation: text written without spaces.
bool isCjk(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || c >= 0x20000;
}

bool isCjkBoundary(QStringView before, QStringView after)
{
    return !before.isEmpty() && !after.isEmpty() &&
           (isCjk(codePointAt(before, before.size() - 1)) || isCjk(codePointAt(after, 0)));
}

bool isLatinLetter(QChar c)
{
    return c.isLetter() && c.unicode() < 0x0250;
}

// Two lines of one paragraph as one text.
void appendLine(QString *paragraph, QStringView line)
{
    if (paragraph->isEmpty()) {
        *paragraph = line.toString();
        return;
    }
    const qsizetype n = paragraph->size();
    // "city-" + "Planning" keeps its hyphen: the word was written with it.
    const bool hyphen = n >= 2 && paragraph->back() == u'-' && isLatinLetter(paragraph->at(n - 2));
    if (hyphen && !line.isEmpty() && line.front().isLower()) {
        paragraph->chop(1); // a word the line broke: "fol-" + "lows"
    } else if (!hyphen && !isCjkBoundary(*paragraph, line) && !paragraph->back().isSpace()) {
        *paragraph += u' ';
    }
    *paragraph += line;
}

bool isNoteMark(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isDigit() || QStringView(u"*†‡§¶").contains(c) ||
               (c.unicode() >= 0x2460 && c.unicode() <= 0x2473); // ① … ⑳
    });
}

// Fonts that map ideographs to the Kangxi radicals (U+2F00…) look the same but are other
// characters: a sentence would no longer match its source.
QString withUnifiedIdeographs(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() >= 0x2F00 && c.unicode() <= 0x2FD5)
            c = QString(c).normalized(QString::NormalizationForm_KC).front();
    }
    return text;
}

QList<PdfLine> lineOf(QList<PdfWord> words)
{
    double height = 0;
    for (const PdfWord &word : words)
        height = std::max(height, word.box.height());
    double bottom = 0;
    for (const PdfWord &word : words) {
        if (word.box.height() > 0.9 * height)
            bottom = std::max(bottom, word.box.bottom());
    }
    PdfLine line;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const PdfWord &word = words[i];
        if (word.box.height() < 0.8 * height && word.box.bottom() < bottom - 0.2 * height &&
            isNoteMark(word.text)) {
            if (i > 0)
                words[i - 1].spaceAfter = word.spaceAfter;
            continue;
        }
        if (!line.text.isEmpty() && words[i - 1].spaceAfter &&
            !(isCjk(codePointAt(line.text, line.text.size() - 1)) &&
              isCjk(codePointAt(word.text, 0))))
            line.text += u' ';
        line.text += word.text;
        line.box = line.box.isNull() ? word.box : line.box.united(word.box);
    }
    if (line.text.isEmpty())
        return {};
    line.text = withUnifiedIdeographs(std::move(line.text));
    return {line};
}

// The most common value, by text length, of a measure of lines: the body's, not a heading's.
double typical(const QList<std::pair<double, qsizetype>> &values)
{
    if (values.isEmpty())
        return 0;
    QList<std::pair<double, qsizetype>> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    qsizetype total = 0;
    for (const auto &value : sorted)
        total += value.second;
    qsizetype seen = 0;
    for (const auto &[value, weight] : sorted) {
        if ((seen += weight) * 2 >= total)
            return value;
    }
    return sorted.back().first;
}

// "12", "- 12 -", "第 12 页", "xii", "Page 3": a page number, as every other number.
QString runningKey(const QString &text)
{
    QString key;
    bool inNumber = false;
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        if (c.isDigit()) {
            if (!inNumber)
                key += u'#';
            inNumber = true;
            continue;
        }
        inNumber = false;
        key += c;
    }
    static const QString roman = u"ivxlcdmIVXLCDM"_s;
    if (!key.isEmpty() && std::all_of(key.begin(), key.end(), [](QChar c) {
            return roman.contains(c);
        }))
        return u"#"_s;
    for (const QString &frame : {u"-"_s, u"–"_s, u"—"_s, u"第"_s, u"页"_s, u"Page"_s, u"page"_s})
        key.remove(frame);
    return key;
}

bool isPageNumber(const QString &key)
{
    return key == u"#"_s || key == u"#/#"_s || key == u"#of#"_s || key == u"共#";
}

struct Metrics {
    double height = 0; // of the body's lines
    double leading = 0; // between two lines of a paragraph
};

Metrics bodyMetrics(const QList<PdfPage> &pages)
{
    QList<std::pair<double, qsizetype>> heights;
    for (const PdfPage &page : pages)
        for (const PdfLine &line : page.lines)
            heights.append({line.box.height(), line.text.size()});
    Metrics metrics;
    metrics.height = typical(heights);
    QList<std::pair<double, qsizetype>> gaps;
    const auto isBody = [&](const PdfLine &line) {
        return std::abs(line.box.height() - metrics.height) <= sizeChange * metrics.height;
    };
    for (const PdfPage &page : pages) {
        for (qsizetype i = 1; i < page.lines.size(); ++i) {
            const PdfLine &above = page.lines[i - 1], &line = page.lines[i];
            const double gap = line.box.top() - above.box.bottom();
            // Lines a line or more apart are not of one paragraph.
            if (isBody(above) && isBody(line) && gap >= 0 && gap < metrics.height)
                gaps.append({gap, 1});
        }
    }
    // Without two lines in a row, a paragraph's lines are taken to be a fifth of a line apart.
    metrics.leading = gaps.isEmpty() ? 0.2 * metrics.height : typical(gaps);
    return metrics;
}

// Which lines of each page repeat on the others at its edges.
QList<QList<bool>> runningLines(const QList<PdfPage> &pages, double bodyHeight)
{
    struct Candidate {
        qsizetype page;
        qsizetype line;
        QString key;
        double middle;
    };
    QList<Candidate> candidates;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        const PdfPage &page = pages[p];
        for (qsizetype l = 0; l < page.lines.size(); ++l) {
            const QRectF &box = page.lines[l].box;
            if (box.bottom() <= edgeBand * page.size.height() ||
                box.top() >= (1 - edgeBand) * page.size.height())
                candidates.append({p, l, runningKey(page.lines[l].text), box.center().y()});
        }
    }
    QList<QList<bool>> running;
    for (const PdfPage &page : pages)
        running.append(QList<bool>(page.lines.size(), false));
    const double tolerance = std::max(3.0, 0.5 * bodyHeight);
    for (const Candidate &candidate : candidates) {
        QList<qsizetype> pagesWithIt;
        for (const Candidate &other : candidates) {
            if (other.key == candidate.key &&
                std::abs(other.middle - candidate.middle) <= tolerance &&
                !pagesWithIt.contains(other.page))
                pagesWithIt.append(other.page);
        }
        const qsizetype count = pagesWithIt.size();
        const bool repeats = count >= 2 && count * 2 >= pages.size();
        if (repeats || (pages.size() == 1 && isPageNumber(candidate.key)))
            running[candidate.page][candidate.line] = true;
    }
    return running;
}

struct PlacedLine {
    const PdfLine *line;
    qsizetype page;
};

// Joins lines into paragraphs by the rules above; each paragraph is appended to `out`. Notes
// (`notes`) end with their page.
void appendParagraphs(const QList<PlacedLine> &lines, const QList<PdfPage> &pages,
                      const Metrics &metrics, bool notes, QStringList *out)
{
    // Each page's margins, from its own lines: left and right pages may differ.
    QList<double> left(pages.size(), 0), right(pages.size(), 0);
    QList<bool> seen(pages.size(), false);
    for (const PlacedLine &placed : lines) {
        const QRectF &box = placed.line->box;
        const qsizetype p = placed.page;
        left[p] = seen[p] ? std::min(left[p], box.left()) : box.left();
        right[p] = seen[p] ? std::max(right[p], box.right()) : box.right();
        seen[p] = true;
    }
    // A page of a few short lines does not show where its right margin is; the widest page
    // does, as far from its left margin.
    double width = 0;
    for (qsizetype p = 0; p < pages.size(); ++p)
        width = std::max(width, right[p] - left[p]);
    for (qsizetype p = 0; p < pages.size(); ++p)
        right[p] = left[p] + width;
    const double em = metrics.height;
    QString paragraph;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const PdfLine &line = *lines[i].line;
        bool starts = i == 0;
        if (!starts) {
            const PdfLine &above = *lines[i - 1].line;
            const double larger = std::max(above.box.height(), line.box.height());
            const bool indented = line.box.left() - left[lines[i].page] > 0.5 * em;
            const bool resized =
                std::abs(above.box.height() - line.box.height()) > sizeChange * larger;
            // A new page or column: no gap to go by, but the line before may end short.
            const bool broken = lines[i].page != lines[i - 1].page ||
                                line.box.bottom() < above.box.top();
            const bool gapped =
                !broken && line.box.top() - above.box.bottom() > metrics.leading + 0.5 * em;
            const bool endsShort =
                broken && above.box.right() < right[lines[i - 1].page] - 2 * em;
            const bool newPage = lines[i].page != lines[i - 1].page;
            starts = indented || resized || gapped || endsShort || (notes && newPage);
        }
        if (starts && !paragraph.isEmpty()) {
            out->append(paragraph);
            paragraph.clear();
        }
        appendLine(&paragraph, QStringView(line.text).trimmed());
    }
    if (!paragraph.isEmpty())
        out->append(paragraph);
}

} // namespace

QList<PdfLine> pdfLines(const QList<PdfWord> &words)
{
    QList<PdfLine> lines;
    QList<PdfWord> current;
    double top = 0, bottom = 0;
    for (const PdfWord &word : words) {
        if (word.text.isEmpty())
            continue;
        const double middle = word.box.center().y();
        const bool sameLine = !current.isEmpty() && middle >= top && middle <= bottom &&
                              word.box.left() >= current.back().box.left();
        if (!sameLine && !current.isEmpty()) {
            lines.append(lineOf(std::move(current)));
            current.clear();
        }
        if (current.isEmpty()) {
            top = word.box.top();
            bottom = word.box.bottom();
        } else {
            top = std::min(top, word.box.top());
            bottom = std::max(bottom, word.box.bottom());
        }
        current.append(word);
    }
    if (!current.isEmpty())
        lines.append(lineOf(std::move(current)));
    return lines;
}

QString pdfPageText(const QList<PdfPage> &pages)
{
    const Metrics metrics = bodyMetrics(pages);
    const QList<QList<bool>> running = runningLines(pages, metrics.height);
    QList<PlacedLine> body, notes;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        QList<PlacedLine> page;
        for (qsizetype l = 0; l < pages[p].lines.size(); ++l) {
            if (!running[p][l] && !pages[p].lines[l].text.trimmed().isEmpty())
                page.append({&pages[p].lines[l], p});
        }
        // The notes: the lines of small type the page ends with, in its lower half, below
        // some of the body's.
        qsizetype firstNote = page.size();
        while (firstNote > 0 &&
               page[firstNote - 1].line->box.height() < noteSize * metrics.height &&
               page[firstNote - 1].line->box.top() > pages[p].size.height() / 2)
            --firstNote;
        if (firstNote == 0)
            firstNote = page.size();
        body.append(page.first(firstNote));
        notes.append(page.sliced(firstNote));
    }
    QStringList paragraphs;
    appendParagraphs(body, pages, metrics, false, &paragraphs);
    appendParagraphs(notes, pages, metrics, true, &paragraphs);
    return paragraphs.join(u'\n');
}

} // namespace quarnex
