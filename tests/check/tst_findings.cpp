// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/findings.h"

#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

class TstFindings final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pieces();
    void coverage();
    void bands();
    void headings();
    void sectionsAndLeftOutParts();
    void paperFigures();
};

void TstFindings::pieces()
{
    // page html, the pieces read from it
    const std::tuple<QString, QStringList> cases[] = {
        // Any length of two characters or more; one is dropped, as the measure's "<EM>" rule.
        {u"<EM>城市</EM>x<EM>绿</EM><EM>绿地系统</EM>"_s, {u"城市"_s, u"绿地系统"_s}},
        // Markup inside the highlight removed, entities decoded.
        {u"<EM><b>甲</b>&amp;乙&#x4E19;&#19969;</EM>"_s, {u"甲&乙丙丁"_s}},
        // An unclosed tag drops the rest; an unclosed highlight runs to the next one.
        {u"<EM>公园<span class=\"x</EM><EM>水体"_s, {u"公园"_s, u"水体"_s}},
        // Lower-case tags only when the page has no upper-case one.
        {u"<em>甲乙</em><EM>丙丁</EM>"_s, {u"丙丁"_s}},
        // One character outside the BMP is one character, two units: not a piece.
        {u"<em>𠮷</em><em>𠮷野</em>"_s, {u"𠮷野"_s}},
        // A '<' that opens no tag is text.
        {u"<em>1<2</em>"_s, {u"1<2"_s}},
    };
    for (const auto &[html, expected] : cases)
        QCOMPARE(highlightPieces(html), expected);
}

void TstFindings::coverage()
{
    // sentence, pieces, covered positions, percent
    const std::tuple<QString, QStringList, qsizetype, int> cases[] = {
        {u"城市绿地系统规划"_s, {u"城市绿地"_s, u"绿地系统"_s}, 6, 75},  // overlapping
        {u"甲乙丙甲乙丙丁丁"_s, {u"甲乙"_s}, 4, 50},                  // twice in the sentence
        {u"甲乙丙丁"_s, {u"戊己"_s}, 0, 0},                           // not in the sentence
        {u"𠮷野家的饭"_s, {u"𠮷野"_s}, 3, 50},                        // 3 of 6 units
        {u"甲乙丙"_s, {u"甲乙丙丁"_s}, 0, 0},                         // longer than the sentence
        {u"甲乙丙丁戊己庚辛"_s, {u"甲"_s, u"乙丙"_s}, 2, 25},         // one character is no piece
        // No pieces cover nothing; 2 of 9 rounds down, 1 of 8 (12.5) and 3 of 8 (37.5) below.
        {u"甲乙丙丁戊己庚辛"_s, {}, 0, 0},
        {u"甲乙丙丁戊己庚辛辛"_s, {u"辛辛"_s}, 2, 22},
        {u""_s, {u"甲乙"_s}, 0, 0},
    };
    for (const auto &[sentence, pieces, covered, percent] : cases) {
        QCOMPARE(coveredLength(sentence, pieces), covered);
        QCOMPARE(coveragePercent(sentence, pieces), percent);
    }
    QCOMPARE(coveragePercent(u"甲乙丙丁戊己庚辛甲乙丙丁戊己庚辛"_s, {u"辛甲"_s}), 12);
    QCOMPARE(coveragePercent(u"甲乙丙丁戊己庚辛甲乙丙丁戊己庚辛"_s, {u"辛甲乙丙丁戊"_s}), 38);
}

void TstFindings::bands()
{
    QCOMPARE(bandOf(50), Band::Red);
    QCOMPARE(bandOf(49), Band::Orange);
    QCOMPARE(bandOf(20), Band::Orange);
    QCOMPARE(bandOf(19), Band::Green);
    QCOMPARE(bandOf(0), Band::Green);
    QCOMPARE(bandOf(std::nullopt), Band::Grey);
    QCOMPARE(bandName(Band::Orange), u"orange"_s);
}

void TstFindings::headings()
{
    // paragraph, whether it is a heading
    const std::tuple<QString, bool> cases[] = {
        {u"第一章 绪论"_s, true},
        {u"第12章结论"_s, true},
        {u"  第三章"_s, true},
        {u"第章"_s, false},
        {u"1 引言"_s, true},
        {u"2.3　研究方法"_s, true},
        {u"4.1.2国内研究"_s, true},
        {u"4.1.研究"_s, false},
        {u"1.5倍的面积"_s, true},  // the rule's own reach: a number and a Chinese character
        {u"2023 年"_s, true},
        {u"12a"_s, false},
        {u"一、研究背景"_s, true},
        {u"十、结语"_s, true},
        {u"十一、其他"_s, false},
        {u"第一章 "_s + QString(40, u'长'), false},
        {u"绪论"_s, false},
    };
    for (const auto &[paragraph, heading] : cases) {
        QVERIFY2(isHeading(paragraph) == heading, qPrintable(paragraph));
    }
}

void TstFindings::sectionsAndLeftOutParts()
{
    const QStringList paragraphs = {
        u"摘要"_s,          u"本文研究城市绿地。"_s,  u"目 录"_s,
        u"第一章 绪论........1"_s, u"1.1 背景	2"_s,         u"参考文献	9"_s,
        u"第一章 绪论"_s,    u"绪论的正文。"_s,        u"1.1 背景"_s,
        u"背景的正文。"_s,  u"参考文献"_s,            u"[1] 张三. 城市绿地. 2020."_s,
        u"致  谢"_s,         u"感谢导师。"_s,
    };
    const QList<Section> sections = paperSections(paragraphs);
    // heading, first paragraph, kind
    const std::tuple<QString, qsizetype, SectionKind> expected[] = {
        {u"目 录"_s, 2, SectionKind::TableOfContents},
        {u"第一章 绪论"_s, 6, SectionKind::Body},
        {u"1.1 背景"_s, 8, SectionKind::Body},
        {u"参考文献"_s, 10, SectionKind::References},
        {u"致  谢"_s, 12, SectionKind::Body},
    };
    QCOMPARE(sections.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < sections.size(); ++i) {
        const auto &[heading, first, kind] = expected[i];
        QCOMPARE(sections[i].heading, heading);
        QCOMPARE(sections[i].firstParagraph, first);
        QCOMPARE(sections[i].kind, kind);
    }
    // A table of contents whose headings never come again is only its own line.
    QCOMPARE(paperSections({u"目录"_s, u"第一章 绪论"_s, u"正文。"_s}).size(), 2);

    const PaperLayout layout = paperLayout(paragraphs.join(u"\r\n"_s));
    QCOMPARE(layout.paragraphs.size(), paragraphs.size());
    QCOMPARE(layout.paragraphOf.size(), paragraphs.size());
    const QList<bool> left = inTableOfContentsOrReferences(paragraphs, layout);
    const QList<bool> expectedLeft = {false, false, true,  true,  true,  true,  false,
                                      false, false, false, true,  true,  false, false};
    QCOMPARE(left, expectedLeft);
}

void TstFindings::paperFigures()
{
    // Two sentences in one paragraph, a heading, a blank sentence, one not searched.
    const QString text = u"前言的话。\r\n第一章 绪论\r\n城市绿地系统规划。公园水体很好。\r\n。\r\n尚未检索的句子。"_s;
    const PaperLayout layout = paperLayout(text);
    const QStringList sentences = {u"前言的话。"_s, u"第一章 绪论"_s, u"城市绿地系统规划。"_s,
                                   u"公园水体很好。"_s, u"。"_s, u"尚未检索的句子。"_s};
    QCOMPARE(layout.paragraphOf, (QList<qsizetype>{0, 1, 2, 2, 3, 4}));

    const ResultText gardens{{u"绿地 &amp; 规划"_s, u"http://a/1"_s}, u"城市绿地系统 的研究"_s};
    const ResultText other{{u"其他"_s, u"http://a/2"_s}, u"无关"_s};
    QList<std::optional<PageEvidence>> pages(sentences.size());
    pages[0] = PageEvidence{{u"无关的字"_s}, {other}};
    pages[1] = PageEvidence{{}, {}};
    pages[2] = PageEvidence{{u"城市绿地系统"_s, u"规划"_s}, {other, gardens}};  // 8 of 9: red
    pages[3] = PageEvidence{{u"公园"_s}, {gardens}};                            // 2 of 7: orange
    pages[4] = PageEvidence{{u"。"_s}, {}};

    const PaperFindings findings = paperFindings(sentences, layout, pages);
    QCOMPARE(findings.sentences.size(), sentences.size());
    const std::tuple<std::optional<int>, Band, std::optional<qsizetype>, qsizetype> expected[] = {
        {0, Band::Green, std::nullopt, 0},
        {0, Band::Green, 0, 0},
        {89, Band::Red, 0, 1},
        {29, Band::Orange, 0, 0},  // its longest piece "公园" is not in the result's text
        {std::nullopt, Band::Grey, 0, 0},  // blank
        {std::nullopt, Band::Grey, 0, 0},  // no page read
    };
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const auto &[coverage, band, section, sources] = expected[i];
        QCOMPARE(findings.sentences[i].coverage, coverage);
        QCOMPARE(findings.sentences[i].band, band);
        QCOMPARE(findings.sentences[i].section, section);
        QCOMPARE(findings.sentences[i].sources.size(), sources);
    }
    QCOMPARE(findings.sentences[2].sources.first().url, u"http://a/1"_s);
    // 9 red of 5 + 6 + 9 + 7 + 8 = 35: 25.71 %.
    QCOMPARE(findings.copyRatio, 2571);
    QCOMPARE(findings.copyRatioWithoutReferences, 2571);
    QCOMPARE(findings.sections.size(), 1);
    QCOMPARE(findings.sections[0].characters, 30);
    QCOMPARE(findings.sections[0].redCharacters, 9);
    QCOMPARE(findings.sections[0].copyRatio, 3000);
    QCOMPARE(findings.sources.size(), 1);
    QCOMPARE(findings.sources[0].sentences, 1);
    QCOMPARE(findings.sources[0].characters, 8);

    // The references count in the first ratio only.
    const QString withReferences = u"城市绿地系统规划。\r\n参考文献\r\n城市绿地系统规划。"_s;
    const QStringList twice = {u"城市绿地系统规划。"_s, u"参考文献"_s, u"城市绿地系统规划。"_s};
    QList<std::optional<PageEvidence>> both(3);
    both[0] = PageEvidence{{u"城市绿地系统规划"_s}, {}};
    both[2] = both[0];
    const PaperFindings referenced = paperFindings(twice, paperLayout(withReferences), both);
    QCOMPARE(referenced.copyRatio, 8182);                 // 18 of 22
    QCOMPARE(referenced.copyRatioWithoutReferences, 10000);  // 9 of 9
}

QTEST_APPLESS_MAIN(TstFindings)
#include "tst_findings.moc"
