// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/analysis.h"
#include "check/results.h"
#include "check/search.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// The analysis as a chain of plain replacements, one pass each, then split and filter.
QStringList literalSentences(QString text)
{
    const QString br = u"\r\n"_s;
    for (const auto &[from, to] : {std::pair{u"；"_s, u"；"_s + br},
                                   {u"。"_s, u"。"_s + br},
                                   {u"！"_s, u"！"_s + br},
                                   {u"!"_s, u"！"_s + br},
                                   {u"？"_s, u"？"_s + br},
                                   {u"?"_s, u"？"_s + br},
                                   {u"……"_s, u"……"_s + br},
                                   {u"  "_s + br, br},
                                   {u" "_s + br, br},
                                   {u"\u3000\u3000"_s + br, br},
                                   {u"\u3000"_s + br, br},
                                   {u"\t"_s + br, br}})
        text.replace(from, to);
    QStringList kept;
    for (const QString &line : text.split(br)) {
        QString bare = line;
        bare.remove(u' ').remove(QChar(0x3000));
        if (!bare.isEmpty())
            kept.append(line);
    }
    return kept;
}

} // namespace

class TstAnalysis final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sentences_data();
    void sentences();
    void captionAndEntries();
    void sameAsReplacementChainOnRandomText();
    void searchText_data();
    void searchText();
    void addresses();
};

// Worked examples, with the characters counted; how every mark and blank cuts is checked
// against the replacement chain below.
void TstAnalysis::sentences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sentences");
    QTest::addColumn<qsizetype>("characters");

    QTest::newRow("three marks, half-width made full-width")
        << u"第一句。第二句！第三句?"_s << QStringList{u"第一句。"_s, u"第二句！"_s, u"第三句？"_s}
        << qsizetype(12);
    QTest::newRow("English is one sentence, no characters")
        << u"Hello world. This is English."_s << QStringList{u"Hello world. This is English."_s}
        << qsizetype(0);
    QTest::newRow("indentation belongs to the next sentence")
        << u"第一句。\u3000\u3000第二句"_s << QStringList{u"第一句。"_s, u"\u3000\u3000第二句"_s}
        << qsizetype(9);
    QTest::newRow("emoji and private use")
        << u"😀\uE003。"_s << QStringList{u"😀\uE003。"_s} << qsizetype(2);
    QTest::newRow("empty") << QString() << QStringList{} << qsizetype(0);
}

void TstAnalysis::sentences()
{
    QFETCH(QString, text);
    QFETCH(QStringList, sentences);
    QFETCH(qsizetype, characters);
    const Analysis analysis = analyse(text);
    QCOMPARE(analysis.sentences, sentences);
    QCOMPARE(analysis.analysedText, sentences.join(u"\r\n"));
    QCOMPARE(analysis.characters, characters);
    QCOMPARE(analysis.entries.size(), sentences.size());
}

void TstAnalysis::captionAndEntries()
{
    const Analysis three = analyse(u"第一句。第二句！第三句?");
    QCOMPARE(three.caption, u"本文共 12 字，本次分析共分析出 3 句，请多次点击进行对比！"_s);
    QCOMPARE(three.entries, (QStringList{u"1-第一句。"_s, u"2-第二句！"_s, u"3-第三句？"_s}));

    const Analysis indented = analyse(u"第一句。\u3000\u3000第二句 \u3000"_s);
    QCOMPARE(indented.entries[1], u"2-第二句"_s);
    QCOMPARE(indented.sentences[1], u"\u3000\u3000第二句 \u3000"_s);

    QCOMPARE(listEntry(9, u"句。"), u"10-句。"_s);
    QCOMPARE(analyse(QString()).caption,
             u"本文共 0 字，本次分析共分析出 0 句，请多次点击进行对比！"_s);
}

void TstAnalysis::sameAsReplacementChainOnRandomText()
{
    const quint32 seed = 1206;
    QRandomGenerator random(seed);
    const QStringList pieces = {u"甲"_s,   u"b"_s,  u"；"_s, u"。"_s, u"！"_s,     u"!"_s,
                                u"？"_s,   u"?"_s,  u"…"_s,  u" "_s,  u"\u3000"_s, u"\t"_s,
                                u"\r\n"_s, u"\r"_s, u"\n"_s, u"，"_s, u"😀"_s};
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = random.bounded(40);
        for (int i = 0; i < length; ++i)
            text += pieces[random.bounded(pieces.size())];
        const Analysis analysis = analyse(text);
        QVERIFY2(analysis.sentences == literalSentences(text),
                 qPrintable(u"seed %1, round %2"_s.arg(seed).arg(round)));
        QCOMPARE(analysis.analysedText, analysis.sentences.join(u"\r\n"));
    }
}

void TstAnalysis::searchText_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("blank");
    QTest::newRow("quotes, comma and full stop")
        << u"12-第十二句，含“引号”。"_s << u"第十二句 含 引号  "_s << false;
    QTest::newRow("ASCII comma and straight quote") << u"1-a,b\"c\""_s << u"a b c "_s << false;
    QTest::newRow("brackets and colon") << u"2-《书》【注】：（一）"_s << u" 书 注  一 "_s << false;
    QTest::newRow("double ellipsis only") << u"5-……"_s << u" "_s << true;
    QTest::newRow("private use U+E003 only") << u"8-\uE003"_s << u"\uE003"_s << true;
}

void TstAnalysis::searchText()
{
    QFETCH(QString, entry);
    QFETCH(QString, text);
    QFETCH(bool, blank);
    QCOMPARE(quarnex::searchText(entry), text);
    QCOMPARE(isBlankSearchText(quarnex::searchText(entry)), blank);
}

void TstAnalysis::addresses()
{
    const QString text = u"第十二句 含 引号  "_s;
    QCOMPARE(queryAddress(Engine::Baidu, defaultSearchBase, text),
             u"https://www.baidu.com/s?wd=第十二句 含 引号  "_s);
    QCOMPARE(queryAddress(Engine::Baidu, u"http://127.0.0.1:8080", u"a#b&c"),
             u"http://127.0.0.1:8080/s?wd=a#b&c"_s);
    QCOMPARE(queryAddress(Engine::Zhiwang, defaultSearchBase, u"甲"),
             u"https://kns.cnki.net/kns8s/defaultresult/index?kw=甲"_s);
    QCOMPARE(queryAddress(Engine::Longyuan, defaultSearchBase, u"甲"),
             u"http://www.qikan.com.cn/searchArticle/1.html?k=甲"_s);
    QCOMPARE(engineFromName(u"zhiwang"), Engine::Zhiwang);
    QVERIFY(!engineFromName(u"Baidu"));
}

QTEST_APPLESS_MAIN(TstAnalysis)
#include "tst_analysis.moc"
