// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkreport.h"

#include "checkrun.h"
#include "numbers.h"
#include "report.h"

#include <QMap>
#include <QUrl>

#include <algorithm>
#include <array>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// Cells of the band bar: the paper cut into this many equal stretches of text.
constexpr qsizetype barCells = 60;

QString escaped(QStringView text)
{
    return text.toString().toHtmlEscaped();
}

// A page's title or address as it was in the markup, made plain and then escaped for ours.
QString escapedMarkup(QStringView markup)
{
    return escaped(plainText(markup));
}

QString safeHref(QStringView url)
{
    const QString plain = plainText(url);
    if (!plain.startsWith(u"http://", Qt::CaseInsensitive) &&
        !plain.startsWith(u"https://", Qt::CaseInsensitive))
        return {};
    return escaped(plain);
}

// The address as a reader reads it: percent-encoded Chinese shown as characters.
QString shownAddress(QStringView url)
{
    return escaped(QUrl(plainText(url)).toDisplayString());
}

QString backgroundOf(Band band)
{
    switch (band) {
    case Band::Red:
        return u"#fde2e2"_s;
    case Band::Orange:
        return u"#fff0d9"_s;
    case Band::Green:
    case Band::Grey:
        break;
    }
    return u"transparent"_s;
}

QString bandCaption(Band band)
{
    switch (band) {
    case Band::Red:
        return u"相同或极相似（50% 以上）"_s;
    case Band::Orange:
        return u"部分相似（20%–50%）"_s;
    case Band::Green:
        return u"相似较少（20% 以下）"_s;
    case Band::Grey:
        break;
    }
    return u"未检测"_s;
}

// The band that holds most of the text of each stretch, for the bar along the paper.
QList<Band> barBands(const CheckReport &report)
{
    qsizetype total = 0;
    for (const QString &sentence : report.sentences)
        total += sentence.size();
    QList<Band> cells;
    if (total == 0)
        return cells;
    const qsizetype cellCount = std::min(barCells, total);
    QList<std::array<qsizetype, 4>> weights(cellCount, {0, 0, 0, 0});
    qsizetype position = 0;
    for (qsizetype i = 0; i < report.sentences.size(); ++i) {
        const qsizetype length = report.sentences[i].size();
        const int band = int(report.findings.sentences.value(i).band);
        // Spread the sentence over the cells it crosses.
        qsizetype at = position;
        while (at < position + length) {
            const qsizetype cell = at * cellCount / total;
            const qsizetype cellEnd = ((cell + 1) * total + cellCount - 1) / cellCount;
            const qsizetype end = std::min(position + length, std::max(cellEnd, at + 1));
            weights[cell][band] += end - at;
            at = end;
        }
        position += length;
    }
    for (const auto &weight : weights)
        cells.append(Band(std::max_element(weight.cbegin(), weight.cend()) - weight.cbegin()));
    return cells;
}

// The heading already says which part it is ("目录", "参考文献"); the note says what it means for
// the figures.
QString sectionNote(SectionKind kind)
{
    if (kind == SectionKind::Body)
        return {};
    return u"（不计入“去除目录和参考文献”的复制比）"_s;
}

void appendFigures(QString &html, const CheckReport &report)
{
    const PaperFindings &findings = report.findings;
    const auto row = [&html](const QString &label, const QString &value) {
        html += u"<tr><td style=\"padding:2px 12px 2px 0\">"_s + label +
                u"</td><td style=\"padding:2px 0\"><b>"_s + value + u"</b></td></tr>"_s;
    };
    html += u"<table style=\"margin:8px 0\">"_s;
    row(u"复制比（全文）"_s, percentText(findings.copyRatio));
    row(u"复制比（去除目录和参考文献）"_s, percentText(findings.copyRatioWithoutReferences));
    row(u"总体相似度"_s, escaped(report.overall) + u'%');
    row(u"已检测句数"_s, QString::number(report.checkedSentences) + u" / "_s +
                             QString::number(report.sentences.size()));
    html += u"</table>"_s;
    html += u"<p style=\"font-size:small;color:#555\">复制比：红色句子（找到的相同文字占本句 50% "
            u"以上）的字数占全部句子字数的比例。总体相似度按搜索结果页的标红文字计算，与复制比"
            u"不同。</p>"_s;
}

void appendBar(QString &html, const CheckReport &report)
{
    const QList<Band> cells = barBands(report);
    if (cells.isEmpty())
        return;
    // Blocks of text rather than table cells: Qt's text engine, which writes the PDF, gives
    // table rows no height of their own.
    html += u"<p style=\"font-size:7pt;line-height:100%;white-space:nowrap;overflow:hidden;"
            u"margin:8px 0 2px 0\">"_s;
    for (qsizetype i = 0; i < cells.size();) {
        qsizetype end = i;
        while (end < cells.size() && cells[end] == cells[i])
            ++end;
        html += u"<span style=\"color:"_s + bandColour(cells[i]) + u"\">"_s +
                QString(end - i, u'█') + u"</span>"_s;
        i = end;
    }
    html += u"</p><p style=\"font-size:small;margin-top:2px\">"_s;
    for (Band band : {Band::Red, Band::Orange, Band::Green, Band::Grey})
        html += u"<span style=\"color:"_s + bandColour(band) + u"\">■</span> "_s +
                bandCaption(band) + u"　"_s;
    html += u"</p>"_s;
}

// A ruled table; the first column is text, the others are figures. The rule colour is written
// with six digits: the PDF writer's layout draws no rules at all for a three-digit colour.
QString tableStart(const QStringList &headers)
{
    QString html = u"<table cellspacing=\"0\" cellpadding=\"4\" border=\"1\" "
                   u"style=\"border-collapse:collapse;border-color:#cccccc\"><tr>"_s;
    for (qsizetype i = 0; i < headers.size(); ++i)
        html += (i == 0 ? u"<th align=\"left\">"_s : u"<th>"_s) + headers[i] + u"</th>"_s;
    return html + u"</tr>"_s;
}

void appendSections(QString &html, const CheckReport &report)
{
    const PaperFindings &findings = report.findings;
    if (findings.sections.isEmpty())
        return;
    html += u"<h2>各章节</h2>"_s + tableStart({u"章节"_s, u"字数"_s, u"复制字数"_s, u"复制比"_s});
    for (const SectionFigures &section : findings.sections) {
        html += u"<tr><td>"_s + escaped(section.heading) + sectionNote(section.kind) +
                u"</td><td align=\"right\">"_s + QString::number(section.characters) +
                u"</td><td align=\"right\">"_s + QString::number(section.redCharacters) +
                u"</td><td align=\"right\">"_s + percentText(section.copyRatio) + u"</td></tr>"_s;
    }
    html += u"</table>"_s;
}

void appendSources(QString &html, const QList<SearchResult> &sources)
{
    // Plain paragraphs, not a list: the PDF writer lays out a thousand small lists many times
    // slower than the same lines as paragraphs.
    for (const SearchResult &source : sources) {
        const QString href = safeHref(source.url);
        const QString title = escapedMarkup(source.title);
        html += u"<p style=\"margin:0 0 0 2em;font-size:small\">→ "_s;
        if (href.isEmpty())
            html += title;
        else
            html += u"<a href=\""_s + href + u"\">"_s + title +
                    u"</a> <span style=\"color:#555\">"_s + shownAddress(source.url) + u"</span>"_s;
        html += u"</p>"_s;
    }
}

void appendPaper(QString &html, const CheckReport &report)
{
    const PaperFindings &findings = report.findings;
    html += u"<h2>全文</h2>"_s;
    QMap<qsizetype, qsizetype> sectionAt;
    const QList<Section> sections = paperSections(report.layout.paragraphs);
    for (qsizetype s = 0; s < sections.size(); ++s)
        sectionAt.insert(sections[s].firstParagraph, s);

    qsizetype paragraph = -1;
    bool open = false;
    // The sources of a paragraph's sentences, each once, in the order they first appear.
    QList<SearchResult> pendingSources;
    const auto closeParagraph = [&] {
        if (!open)
            return;
        html += u"</p>"_s;
        appendSources(html, pendingSources);
        pendingSources.clear();
        open = false;
    };
    for (qsizetype i = 0; i < report.sentences.size(); ++i) {
        const qsizetype p = report.layout.paragraphOf.value(i, paragraph);
        if (p != paragraph || !open) {
            closeParagraph();
            // Each chapter starts a printed page of its own.
            const bool newPage = p != paragraph && sectionAt.contains(p) && i > 0;
            paragraph = p;
            html += newPage
                        ? u"<p style=\"line-height:170%;margin:6px 0;page-break-before:always\">"_s
                        : u"<p style=\"line-height:170%;margin:6px 0\">"_s;
            open = true;
        }
        const SentenceFinding finding = findings.sentences.value(i);
        const QString colour = bandColour(finding.band);
        html += u"<span style=\"color:"_s + colour + u";background-color:"_s +
                backgroundOf(finding.band) + u"\">"_s + escaped(report.sentences[i]) + u"</span>"_s;
        if (finding.coverage)
            html += u"<sup style=\"color:"_s + colour + u"\">["_s +
                    QString::number(*finding.coverage) + u"%]</sup>"_s;
        for (const SearchResult &source : finding.sources) {
            const auto same = [&source](const SearchResult &r) { return r.url == source.url; };
            if (std::none_of(pendingSources.cbegin(), pendingSources.cend(), same))
                pendingSources.append(source);
        }
    }
    closeParagraph();
}

void appendSources(QString &html, const PaperFindings &findings)
{
    if (findings.sources.isEmpty())
        return;
    html += u"<h2>来源</h2>"_s + tableStart({u"来源"_s, u"句数"_s, u"字数"_s});
    for (const SourceFigures &source : findings.sources) {
        const QString href = safeHref(source.result.url);
        const QString title = escapedMarkup(source.result.title);
        html += u"<tr><td>"_s +
                (href.isEmpty() ? title : u"<a href=\""_s + href + u"\">"_s + title + u"</a>"_s) +
                u"</td><td align=\"right\">"_s + QString::number(source.sentences) +
                u"</td><td align=\"right\">"_s + QString::number(source.characters) +
                u"</td></tr>"_s;
    }
    html += u"</table>"_s;
}

void appendSimilarSites(QString &html, const CheckReport &report)
{
    ResultSlots slots = report.slots;
    recountResults(slots);
    html += u"<h2 style=\"page-break-before:always\">相似网站</h2>"_s +
            tableStart({u"网站"_s, u"次数"_s});
    for (qsizetype i : reportRows(slots)) {
        if (slots.titles[i].isEmpty())
            continue;
        const QString href = safeHref(slots.urls[i]);
        const QString title = escapedMarkup(slots.titles[i]);
        html += u"<tr><td>"_s +
                (href.isEmpty() ? title : u"<a href=\""_s + href + u"\">"_s + title + u"</a>"_s) +
                u"</td><td align=\"center\">"_s +
                (slots.counts[i] ? QString::number(*slots.counts[i]) : QString()) + u"</td></tr>"_s;
    }
    html += u"</table>"_s;
}

} // namespace

QString bandColour(Band band)
{
    switch (band) {
    case Band::Red:
        return u"#c62828"_s;
    case Band::Orange:
        return u"#d9730d"_s;
    case Band::Green:
        return u"#2e7d32"_s;
    case Band::Grey:
        break;
    }
    return u"#9e9e9e"_s;
}

QString percentText(qint64 hundredths)
{
    // Always two decimals, so that a column of ratios lines up and 47.40 is not read as 47.4
    // rounded from something else.
    const qint64 magnitude = hundredths < 0 ? -hundredths : hundredths;
    return (hundredths < 0 ? u"-"_s : QString()) + QString::number(magnitude / 100) + u'.' +
           QString::number(magnitude % 100).rightJustified(2, u'0') + u'%';
}

CheckReport checkReport(const CheckRun &run, const QString &paperName)
{
    CheckReport report;
    report.paperName = paperName;
    report.sentences = run.sentences;
    report.layout = paperLayout(run.paperText);
    QList<std::optional<PageEvidence>> evidence(run.sentences.size());
    for (qsizetype i = 0; i < evidence.size() && i < run.pages.size(); ++i) {
        if (run.pages[i]) {
            evidence[i] = run.pages[i]->evidence;
            ++report.checkedSentences;
        }
    }
    report.findings = paperFindings(report.sentences, report.layout, evidence);
    report.overall = run.overall;
    report.slots = run.results.value_or(ResultSlots::forSentences(run.sentences.size()));
    return report;
}

QString reportTitle(const CheckReport &report)
{
    return report.paperName.isEmpty() ? u"检测报告"_s : u"检测报告："_s + report.paperName;
}

QString checkReportHtml(const CheckReport &report)
{
    QString html;
    html.reserve(1024 + 200 * report.sentences.size());
    const QString title = escaped(reportTitle(report));
    html += u"<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
            u"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
            u"<title>"_s +
            title +
            u"</title><style>"
            u"body{"
            u"max-width:48em;margin:0 auto;padding:12px;color:#222}"
            u"a{color:#1a4fa0;word-break:break-all}table{max-width:100%}"
            // Said for the cells too: with a style sheet, the PDF writer's layout draws no
            // rules from the table's own border attribute.
            u"td,th{border:1px solid #cccccc}"
            u"@page{size:A4;margin:18mm}"
            u"@media print{a{color:#222;text-decoration:none}}"
            u"</style></head><body>"_s;
    html += u"<h1>"_s + title + u"</h1>"_s;
    appendFigures(html, report);
    appendBar(html, report);
    appendSections(html, report);
    appendSources(html, report.findings);
    appendPaper(html, report);
    appendSimilarSites(html, report);
    html += u"</body></html>\n"_s;
    return html;
}

} // namespace quarnex
