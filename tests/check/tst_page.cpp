#include "check/page.h"
#include "check/results.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// One result in the upper-case markup the browser hands over.
QString result(const QString &title, const QString &url)
{
    return u"<DIV data-tools='{\"title\":\""_s + title + u"\",\"url\":\""_s + url +
           u"\"}'><A class=c-tip-icon></A></DIV>"_s;
}

QString filler(qsizetype characters)
{
    return u"<P>"_s + QString(characters, u'字') + u"</P>"_s;
}

} // namespace

class TstPage final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void highlights_data();
    void highlights();
    void textMeasure();
    void percent_data();
    void percent();
    void captions();
    void results_data();
    void results();
    void moreThanTenResultsKeepTen();
    void storingNeverLeavesTheSentence();
};

void TstPage::highlights_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("highlighted");
    QTest::addColumn<bool>("openTag");
    QTest::newRow("five characters do not count, six do")
        << u"<EM>一二三四五</EM>x<EM>一二三四五六</EM>"_s << u"一二三四五六"_s << true;
    QTest::newRow("repeated fragments each count")
        << u"<EM>城市绿地研究</EM><EM>城市绿地研究</EM>"_s << u"城市绿地研究城市绿地研究"_s << true;
    QTest::newRow("upper case wins over lower case")
        << u"<em>小写的高亮片段</em><EM>大写的高亮片段</EM>"_s << u"大写的高亮片段"_s << true;
    QTest::newRow("unclosed tag runs to the next open tag")
        << u"<EM>没有结束标签的<EM>甲</EM>"_s << u"没有结束标签的"_s << true;
    QTest::newRow("close tag only in a later piece")
        << u"<EM>第一段文字很长<EM>第二段文字很长</EM>"_s << u"第一段文字很长第二段文字很长"_s
        << true;
    QTest::newRow("no open tag") << u"</EM>只有结束标签的页面"_s << QString() << false;
    QTest::newRow("tags are case-sensitive") << u"<Em>高亮片段文字</Em>"_s << QString() << false;
}

void TstPage::highlights()
{
    QFETCH(QString, html);
    QFETCH(QString, highlighted);
    QFETCH(bool, openTag);
    const Highlight highlight = highlightedText(html);
    QCOMPARE(highlight.text, highlighted);
    QCOMPARE(highlight.openTagFound, openTag);
}

void TstPage::textMeasure()
{
    // Markup, Latin, digits, blanks, U+3000, the euro sign and emoji are left out.
    const QString html = u"<P class=x>Abc 123 中文，\u3000€😀Ａ</P>"_s;
    QCOMPARE(pageTextLength(html), 4);
    QCOMPARE(pageText(html), u"中文,A"_s);
    QCOMPARE(pageTextLength(QString()), 0);
}

void TstPage::percent_data()
{
    QTest::addColumn<qsizetype>("measure");
    QTest::addColumn<qsizetype>("highlighted");
    QTest::addColumn<qsizetype>("sentence");
    QTest::addColumn<qint64>("percent");
    QTest::newRow("worked example") << qsizetype(800) << qsizetype(19) << qsizetype(20) << 2LL;
    QTest::newRow("H = 100") << qsizetype(800) << qsizetype(100) << qsizetype(20) << 8LL;
    QTest::newRow("499 scores 0") << qsizetype(499) << qsizetype(1240) << qsizetype(20) << 0LL;
    QTest::newRow("500 is scored") << qsizetype(500) << qsizetype(1240) << qsizetype(20) << 100LL;
    QTest::newRow("no cap at 100") << qsizetype(5000) << qsizetype(2500) << qsizetype(20) << 202LL;
    // 0.125 is an exact tie: to the even 0.12.
    QTest::newRow("tie to even") << qsizetype(600) << qsizetype(155) << qsizetype(0) << 13LL;
}

void TstPage::percent()
{
    QFETCH(qsizetype, measure);
    QFETCH(qsizetype, highlighted);
    QFETCH(qsizetype, sentence);
    QFETCH(qint64, percent);
    QCOMPARE(sentencePercent(measure, highlighted, sentence), percent);
}

void TstPage::captions()
{
    QCOMPARE(similarityLine(8, u"8.33"), u"本句相似度：8%\r\n\r\n目前总体相似度：8.33%"_s);
    QCOMPARE(progressLine(1, 5), u"现在正在对比第 1 句！共 5 句。"_s);

    // The whole reading: 499 measured characters score 0 whatever the highlights.
    const QString sentence(20, u'句');
    const QString shortPage = u"<EM>高亮的十个字高亮的字</EM>"_s + filler(489);
    QCOMPARE(pageTextLength(shortPage), 499);
    QCOMPARE(readPage(shortPage, sentence).percent, 0);
    QCOMPARE(readPage(shortPage + u"字"_s, sentence).percent, 1);
}

void TstPage::results_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("urls");

    QTest::newRow("upper-case markup, highlight tags removed")
        << result(u"<EM>城市</EM>绿地"_s, u"http://a.example/1"_s) +
               result(u"第二个"_s, u"http://b.example/2"_s)
        << QStringList{u"城市绿地"_s, u"第二个"_s}
        << QStringList{u"http://a.example/1"_s, u"http://b.example/2"_s};
    QTest::newRow("lower-case markup with quoted class")
        << u"<div data-tools='{\"title\":\"标题\",\"url\":\"http://c.example/\"}'><a "
           u"class=\"c-tip-icon\">"_s
        << QStringList{u"标题"_s} << QStringList{u"http://c.example/"_s};
    QTest::newRow("a missing closing delimiter shifts the grouping")
        << u"data-tools='{\"title\":\"甲\",\"url\":\"u1 "_s + result(u"乙"_s, u"u2"_s) +
               result(u"丙"_s, u"u3"_s)
        << QStringList{u"甲"_s, u"u2"_s} << QStringList{u"u1 <DIV "_s, u"</A></DIV><DIV "_s};
}

void TstPage::results()
{
    QFETCH(QString, html);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, urls);
    const QList<SearchResult> read = readResults(markDelimiters(html));
    QStringList readTitles;
    QStringList readUrls;
    for (const SearchResult &r : read) {
        readTitles.append(r.title);
        readUrls.append(r.url);
    }
    QCOMPARE(readTitles, titles);
    QCOMPARE(readUrls, urls);
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
