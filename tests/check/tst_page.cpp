// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/page.h"
#include "check/pagewriter.h"
#include "check/results.h"

#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

QString result(const QString &title, const QString &url)
{
    return ResultPageWriter().result(title, url).body();
}

} // namespace

class TstPage final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void highlightsAndTextMeasure();
    void percentAndCaptions();
    void results_data();
    void results();
    void moreThanTenResultsKeepTen();
    void storingNeverLeavesTheSentence();
};

void TstPage::highlightsAndTextMeasure()
{
    // html, the highlighted text read from it, whether an open tag was found
    const std::tuple<QString, QString, bool> cases[] = {
        // Five characters do not count, six do.
        {u"<EM>一二三四五</EM>x<EM>一二三四五六</EM>"_s, u"一二三四五六"_s, true},
        // Repeated fragments each count.
        {u"<EM>城市绿地研究</EM><EM>城市绿地研究</EM>"_s, u"城市绿地研究城市绿地研究"_s, true},
        // Upper case wins over lower case.
        {u"<em>小写的高亮片段</em><EM>大写的高亮片段</EM>"_s, u"大写的高亮片段"_s, true},
        // An unclosed tag runs to the next open tag.
        {u"<EM>没有结束标签的<EM>甲</EM>"_s, u"没有结束标签的"_s, true},
        // The close tag only in a later piece.
        {u"<EM>第一段文字很长<EM>第二段文字很长</EM>"_s, u"第一段文字很长第二段文字很长"_s, true},
        // No open tag.
        {u"</EM>只有结束标签的页面"_s, QString(), false},
        // Tags are case-sensitive.
        {u"<Em>高亮片段文字</Em>"_s, QString(), false},
    };
    for (const auto &[html, highlighted, openTag] : cases) {
        const Highlight highlight = highlightedText(html);
        QCOMPARE(highlight.text, highlighted);
        QCOMPARE(highlight.openTagFound, openTag);
    }

    // The page text measured: markup, Latin, digits, blanks, U+3000, the euro sign and emoji are
    // left out.
    const QString html = u"<P class=x>Abc 123 中文，\u3000€😀Ａ</P>"_s;
    QCOMPARE(pageTextLength(html), 4);
    QCOMPARE(pageText(html), u"中文,A"_s);
}

void TstPage::percentAndCaptions()
{
    // measure, highlighted, sentence length, percent
    const std::tuple<qsizetype, qsizetype, qsizetype, qint64> cases[] = {
        {800, 19, 20, 2},      // the worked example
        {800, 100, 20, 8},     // H = 100
        {499, 1240, 20, 0},    // 499 scores 0
        {500, 1240, 20, 100},  // 500 is scored
        {5000, 2500, 20, 202}, // no cap at 100
        {600, 155, 0, 13},     // 0.125 is an exact tie: to the even 0.12
    };
    for (const auto &[measure, highlighted, sentence, percent] : cases)
        QCOMPARE(sentencePercent(measure, highlighted, sentence), percent);

    QCOMPARE(similarityLine(8, u"8.33"), u"本句相似度：8%\r\n\r\n目前总体相似度：8.33%"_s);
    QCOMPARE(progressLine(1, 5), u"现在正在对比第 1 句！共 5 句。"_s);
}

void TstPage::results_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("read");

    // A served page read as it stands can hold highlight tags inside the attribute.
    QTest::newRow("upper-case markup, highlight tags removed")
        << u"<DIV data-tools='{\"title\":\"<EM>城市</EM>绿地\",\"url\":\"http://a.example/1\"}'>"
           u"<A class=c-tip-icon></A></DIV>"_s +
               result(u"第二个"_s, u"http://b.example/2"_s)
        << QStringList{u"城市绿地"_s, u"http://a.example/1"_s, u"第二个"_s,
                       u"http://b.example/2"_s};
    QTest::newRow("lower-case markup with quoted class")
        << ResultPageWriter(ResultPageWriter::Form::Served)
               .result(u"标题", u"http://c.example/")
               .body()
        << QStringList{u"标题"_s, u"http://c.example/"_s};
    // What the writer escapes reads back as it was written.
    QTest::newRow("escaped title")
        << result(u"A&B \"<甲>\" 'x'"_s, u"http://d.example/?a=1&b=2"_s)
        << QStringList{u"A&amp;B \\\"&lt;甲&gt;\\\" \\u0027x\\u0027"_s,
                       u"http://d.example/?a=1&amp;b=2"_s};
    QTest::newRow("a missing closing delimiter shifts the grouping")
        << u"data-tools='{\"title\":\"甲\",\"url\":\"u1 "_s + result(u"乙"_s, u"u2"_s) +
               result(u"丙"_s, u"u3"_s)
        << QStringList{u"甲"_s, u"u1 <DIV "_s, u"u2"_s, u"</A></DIV><DIV "_s};
}

void TstPage::results()
{
    QFETCH(QString, html);
    QStringList read;
    for (const SearchResult &r : readResults(markDelimiters(html)))
        read << r.title << r.url;
    QTEST(read, "read");
}

void TstPage::moreThanTenResultsKeepTen()
{
    QString html;
    for (int i = 0; i < 12; ++i)
        html += result(u"标题"_s + QString::number(i), u"http://x.example/"_s + QString::number(i));
    const PageReading reading = readPage(html, u"句子");
    QCOMPARE(reading.results.size(), 10);
    QCOMPARE(reading.results.last().title, u"标题9"_s);
    QVERIFY(reading.markedHtml.contains(resultMarker));
    QVERIFY(!reading.markedHtml.contains(u"data-tools"));
}

void TstPage::storingNeverLeavesTheSentence()
{
    ResultSlots slots = ResultSlots::forSentences(2);
    QList<SearchResult> many;
    for (int i = 0; i < 12; ++i)
        many.append({u"t"_s + QString::number(i), u"u"_s + QString::number(i)});

    storeResults(slots, 0, many);
    QCOMPARE(slots.titles[9], u"t9"_s);
    QVERIFY(slots.titles[10].isEmpty());

    // A later search of the same sentence with fewer results leaves the rest as it was.
    storeResults(slots, 0, {{u"new"_s, u"v"_s}});
    QCOMPARE(slots.titles[0], u"new"_s);
    QCOMPARE(slots.titles[1], u"t1"_s);

    // The spare slot 10·n belongs to no sentence, and no index outside the lists is written.
    storeResults(slots, 2, many);
    storeResults(slots, -1, many);
    storeResults(slots, 7, many);
    QVERIFY(slots.titles[20].isEmpty());
    QCOMPARE(slots.size(), 21);
}

QTEST_APPLESS_MAIN(TstPage)
#include "tst_page.moc"
