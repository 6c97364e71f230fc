// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a check run, driven event by event with a clock that moves only when told.
#include "check/checkfile.h"
#include "check/checkreport.h"
#include "check/checkrun.h"
#include "check/pagewriter.h"
#include "manualclock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// A page of 600 characters of text and one highlighted fragment of so many characters.
QString page(int highlighted)
{
    ResultPageWriter writer;
    writer.text(QString(600, u'文'));
    if (highlighted > 0)
        writer.highlight(QString(highlighted, u'高'));
    return writer.body();
}

// A run over a paper, with what it asks for recorded. Like the browser, `sent` keeps of the
// navigations of one step the last one, unless it was abandoned: a compare that moves the list
// selection sends the entry it starts from and then, nested, the next one, which replaces it.
struct Harness {
    ManualClock clock;
    CheckRun run{clock.runClock()};
    QStringList sent;
    std::optional<QString> stepSent;
    QStringList messages;
    QString line1;
    QString line2;
    int abandoned = 0;
    bool paperEmpty = false;

    explicit Harness(const QString &paper)
    {
        run.address = [](const QString &text) { return text; };
        run.paperIsEmpty = [this] { return paperEmpty; };
        QObject::connect(&run, &CheckRun::navigate, [this](const QString &url) { stepSent = url; });
        QObject::connect(&run, &CheckRun::message, [this](const QString &m) { messages << m; });
        QObject::connect(&run, &CheckRun::showLine1, [this](const QString &l) { line1 = l; });
        QObject::connect(&run, &CheckRun::showLine2, [this](const QString &l) { line2 = l; });
        QObject::connect(&run, &CheckRun::abandonPage, [this] {
            ++abandoned;
            stepSent.reset();
        });
        paperEmpty = paper.isEmpty();
        run.analysed(analyse(paper));
    }

    // "compare", "start", "stop", "click:N", "wait" (the one-second pause), "timeout" (the
    // two minutes a page may take), and the end of the page on its way: "page:H" (H
    // highlighted characters, 0 for none), "busy", "empty", "failed", "verify".
    void step(const QString &step)
    {
        stepSent.reset();
        act(step);
        if (stepSent)
            sent << *stepSent;
    }

    void act(const QString &step)
    {
        if (step == u"compare")
            run.compare();
        else if (step == u"start")
            run.start();
        else if (step == u"stop")
            run.stop();
        else if (step.startsWith(u"click:"))
            run.entryClicked(step.mid(6).toInt());
        else if (step == u"wait")
            clock.advance(CheckRun::pauseMs);
        else if (step == u"timeout")
            clock.advance(CheckRun::pageTimeoutMs);
        else if (step.startsWith(u"page:"))
            run.pageEnded({PageEnd::Kind::Loaded, page(step.mid(5).toInt()), {}, {}});
        else if (step == u"busy")
            run.pageEnded({PageEnd::Kind::Busy, {}, {}, {}});
        else if (step == u"empty")
            run.pageEnded({PageEnd::Kind::Loaded, {}, {}, {}});
        else if (step == u"failed")
            run.pageEnded({PageEnd::Kind::Failed, {}, {}, {}});
        else if (step == u"verify")
            run.pageEnded({PageEnd::Kind::Loaded, u"<FORM id=captcha>百度安全验证</FORM>"_s,
                           u"https://wappass.baidu.com/static/captcha/"_s, u"百度安全验证"_s});
        else
            QFAIL(qPrintable(u"unknown step "_s + step));
    }
};

const QString paper = u"第一句话。第二句话。第三句话。"_s;
const QString one = u"第一句话 "_s, two = u"第二句话 "_s, three = u"第三句话 "_s;
const QString stopped = stopMessage.toString();

QString progress(int n, int total = 3)
{
    return u"现在正在对比第 %1 句！共 %2 句。"_s.arg(n).arg(total);
}

} // namespace

class TstCheckRun final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sequences_data();
    void sequences();
    void figures();
    void progressEstimatesTheTimeLeft();
    void verificationPages_data();
    void verificationPages();
    void skippingLeavesOutTheContentsAndReferences();
    void savedRunResumesToTheSameFigures_data();
    void savedRunResumesToTheSameFigures();
    void damagedFilesChangeNothing_data();
    void damagedFilesChangeNothing();
};

void TstCheckRun::sequences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("line1");
    // autoRun, sentenceIndex, lastSentIndex, scoredCount
    QTest::addColumn<QList<qint64>>("state");

    // Manual compares.
    QTest::newRow("each press moves on")
        << paper << QStringList{u"compare"_s, u"compare"_s} << QStringList{one, two}
        << QStringList{} << progress(2) << QList<qint64>{0, 2, 1, 1};
    QTest::newRow("a click sends its entry")
        << paper << QStringList{u"compare"_s, u"click:2"_s} << QStringList{one, three}
        << QStringList{} << progress(3) << QList<qint64>{0, 3, 2, 1};
    QTest::newRow("the first click after an analysis only records its entry")
        << paper << QStringList{u"click:1"_s, u"compare"_s} << QStringList{two} << QStringList{}
        << progress(2) << QList<qint64>{0, 2, 1, 1};
    QTest::newRow("a blank entry sends nothing and moves on")
        << u"第一句。……第三句。"_s << QStringList{u"compare"_s, u"compare"_s, u"compare"_s}
        << QStringList{u"第一句 "_s, u"第三句 "_s} << QStringList{} << progress(3)
        << QList<qint64>{0, 3, 2, 1};
    // The run carries on from the blank entry itself; the page of the sentence before it,
    // searched for once more on the way, is abandoned rather than scored again.
    QTest::newRow("a run passes over a blank entry and scores each page once")
        << u"第一句话。……第三句话。"_s
        << QStringList{u"start"_s, u"page:24"_s, u"wait"_s, u"page:24"_s}
        << QStringList{u"第一句话 "_s, u"第三句话 "_s} << QStringList{} << progress(3)
        << QList<qint64>{1, 3, 2, 3};
    QTest::newRow("the press after the last sentence ends")
        << u"一。"_s << QStringList{u"compare"_s, u"compare"_s} << QStringList{u"一 "_s}
        << QStringList{u"本次对比结束！"_s} << progress(1, 1) << QList<qint64>{0, 1, 0, 1};
    QTest::newRow("an empty paper")
        << QString() << QStringList{u"start"_s} << QStringList{} << QStringList{u"请先输入关键字"_s}
        << QString() << QList<qint64>{0, 0, 0, 1};
    QTest::newRow("a failed manual search says so and counts nothing")
        << paper << QStringList{u"compare"_s, u"failed"_s} << QStringList{one} << QStringList{}
        << failedSearchMessage.toString() << QList<qint64>{0, 1, 0, 1};

    // Automatic runs.
    QTest::newRow("a run goes to the end of the list")
        << paper << QStringList{u"start"_s, u"page:24"_s, u"wait"_s, u"page:24"_s,
                                u"wait"_s,  u"page:24"_s, u"wait"_s}
        << QStringList{one, two, three} << QStringList{u"本次对比结束！"_s} << progress(3)
        << QList<qint64>{0, 3, 2, 4};
    // No progress line of its own while no page has been read.
    QTest::newRow("a busy page is sent again and the divisor taken back")
        << paper << QStringList{u"start"_s, u"busy"_s, u"wait"_s} << QStringList{one, one}
        << QStringList{} << QString() << QList<qint64>{1, 1, 0, 0};
    QTest::newRow("a page without highlight stops before the next sentence is sent")
        << paper << QStringList{u"start"_s, u"page:0"_s, u"wait"_s} << QStringList{one}
        << QStringList{} << stopped << QList<qint64>{0, 1, 0, 1};
    QTest::newRow("a start after that stop goes on with the next sentence")
        << paper << QStringList{u"start"_s, u"page:0"_s, u"start"_s} << QStringList{one, two}
        << QStringList{} << stopped << QList<qint64>{1, 2, 1, 1};
    QTest::newRow("stop during the pause still sends the next sentence, then no more")
        << paper
        << QStringList{u"start"_s, u"page:24"_s, u"stop"_s, u"wait"_s, u"page:24"_s, u"wait"_s}
        << QStringList{one, two} << QStringList{} << progress(2) << QList<qint64>{0, 2, 1, 3};
    QTest::newRow("a failed search is sent again three times, then the run stops")
        << paper << QStringList{u"start"_s,  u"failed"_s, u"wait"_s,   u"failed"_s, u"wait"_s,
                                u"failed"_s, u"wait"_s,   u"failed"_s, u"wait"_s}
        << QStringList{one, one, one, one} << QStringList{} << stopped << QList<qint64>{0, 0, 0, 1};
    QTest::newRow("a failed search answered on the second try")
        << paper << QStringList{u"start"_s, u"failed"_s, u"wait"_s, u"page:24"_s, u"wait"_s}
        << QStringList{one, one, two} << QStringList{} << progress(1) << QList<qint64>{1, 2, 1, 2};
    QTest::newRow("an empty page is sent again and counts nothing")
        << paper << QStringList{u"start"_s, u"empty"_s, u"wait"_s} << QStringList{one, one}
        << QStringList{} << progress(1) << QList<qint64>{1, 1, 0, 1};
    QTest::newRow("a page that never comes is a failed one")
        << paper << QStringList{u"start"_s, u"timeout"_s, u"wait"_s} << QStringList{one, one}
        << QStringList{} << QString() << QList<qint64>{1, 1, 0, 1};
    QTest::newRow("a verification page pauses the run; a start sends the sentence again")
        << paper << QStringList{u"start"_s, u"page:24"_s, u"wait"_s, u"verify"_s, u"start"_s}
        << QStringList{one, two, two} << QStringList{} << verificationMessage.toString()
        << QList<qint64>{1, 2, 1, 2};
}

void TstCheckRun::sequences()
{
    QFETCH(QString, text);
    QFETCH(QStringList, steps);
    Harness h(text);
    for (const QString &step : steps)
        h.step(step);
    QTEST(h.sent, "sent");
    QTEST(h.messages, "messages");
    QTEST(h.line1, "line1");
    QTEST(
        (QList<qint64>{h.run.autoRun, h.run.sentenceIndex, h.run.lastSentIndex, h.run.scoredCount}),
        "state");
}

void TstCheckRun::figures()
{
    // Sentences of 20 characters: 100 highlighted score 8, 10 on a page too short score 0.
    Harness h(QString(19, u'句') + u"。"_s + QString(19, u'词') + u"。"_s);
    h.step(u"compare"_s);
    h.step(u"page:100"_s);
    QCOMPARE(h.line2, u"本句相似度：8%\r\n\r\n目前总体相似度：8%"_s);
    h.step(u"click:1"_s);
    h.run.pageEnded({PageEnd::Kind::Loaded, u"<EM>高高高高高高高高高高</EM>"_s, {}, {}});
    QCOMPARE(h.line2, u"本句相似度：0%\r\n\r\n目前总体相似度：4%"_s);
    QCOMPARE(h.run.similaritySum, 8);
    QCOMPARE(h.run.scoredCount, 3);
    QCOMPARE(h.run.overall, u"4"_s);
}

void TstCheckRun::progressEstimatesTheTimeLeft()
{
    Harness h(u"一句话。二句话。三句话。四句话。"_s);
    QList<QList<qint64>> seen;
    QObject::connect(&h.run, &CheckRun::progress,
                     [&](qsizetype n, qsizetype total, const QString &, qint64 msLeft) {
                         seen.append({n, total, msLeft});
                     });
    h.step(u"start"_s);
    h.clock.advance(2000);
    h.step(u"page:24"_s);
    // One page in two seconds, three to go.
    QCOMPARE(seen, (QList<QList<qint64>>{{1, 4, 6000}}));
}

void TstCheckRun::verificationPages_data()
{
    QTest::addColumn<PageEnd>("page");
    QTest::addColumn<bool>("verification");
    QTest::newRow("title")
        << PageEnd{PageEnd::Kind::Loaded, u"<DIV>请稍候</DIV>"_s, {}, u"百度安全验证"_s} << true;
    QTest::newRow("captcha address")
        << PageEnd{PageEnd::Kind::Loaded,
                   u"<DIV></DIV>"_s,
                   u"https://wappass.baidu.com/static/captcha/tuxing.html"_s,
                   {}}
        << true;
    QTest::newRow("captcha form")
        << PageEnd{PageEnd::Kind::Loaded, u"<FORM class=vcode-captcha></FORM>"_s, {}, {}} << true;
    QTest::newRow("a result page that mentions it")
        << PageEnd{PageEnd::Kind::Loaded, page(24) + u"安全验证 captcha <FORM>"_s, {}, {}} << false;
    QTest::newRow("an ordinary page without highlight")
        << PageEnd{PageEnd::Kind::Loaded, page(0), u"http://s/?wd=x"_s, u"x"_s} << false;
}

void TstCheckRun::verificationPages()
{
    QFETCH(PageEnd, page);
    QTEST(isVerificationPage(page), "verification");
}

void TstCheckRun::skippingLeavesOutTheContentsAndReferences()
{
    const QString thesis = u"目录\r\n第1章 绪论 1\r\n参考文献 9\r\n第1章 绪论\r\n"
                           u"正文的第一句话。正文的第二句话。\r\n参考文献\r\n[1] 某某文献。\r\n"_s;
    Harness h(QString{});
    h.paperEmpty = false;
    h.run.skipTableOfContentsAndReferences = true;
    h.run.analysed(analyse(thesis), thesis);
    h.step(u"start"_s);
    for (int i = 0; i < 20 && h.run.autoRun == 1; ++i)
        h.step(h.run.awaitingPage() ? u"page:24"_s : u"wait"_s);
    QCOMPARE(h.sent, (QStringList{u"第1章 绪论"_s, u"正文的第一句话 "_s, u"正文的第二句话 "_s}));
    QCOMPARE(h.messages, QStringList{u"本次对比结束！"_s});

    // The report holds what the pages showed, for the sentences that were sent.
    const CheckReport report = checkReport(h.run);
    QCOMPARE(report.checkedSentences, 3);
    QList<bool> covered;
    for (const SentenceFinding &finding : report.findings.sentences)
        covered << finding.coverage.has_value();
    QCOMPARE(covered, (QList<bool>{false, false, false, true, true, true, false, false}));
}

namespace {

// Runs the rest of an automatic run, each page highlighting more than the one before.
void runToTheEnd(Harness &h, int highlighted)
{
    for (int i = 0; i < 20 && h.run.autoRun == 1; ++i)
        h.step(h.run.awaitingPage() ? u"page:%1"_s.arg(highlighted += 7) : u"wait"_s);
}

QList<qint64> figuresOf(const CheckRun &run)
{
    QList<qint64> figures{run.similaritySum, run.scoredCount, run.sentenceIndex};
    for (const auto &page : run.pages)
        figures << (page ? page->percent : -1);
    return figures;
}

const QString fourSentences = u"第一句话。第二句话。第三句话。第四句话。"_s;

} // namespace

void TstCheckRun::savedRunResumesToTheSameFigures_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("highlighted");
    QTest::addColumn<QStringList>("resent");
    QTest::newRow("stopped after two pages")
        << QStringList{u"start"_s, u"page:107"_s, u"wait"_s, u"stop"_s, u"page:114"_s} << 114
        << QStringList{u"第三句话 "_s, u"第四句话 "_s};
    // The sentence on its way never got its page: going on sends it again.
    QTest::newRow("saved with a page on its way")
        << QStringList{u"start"_s, u"page:107"_s, u"wait"_s, u"stop"_s} << 107
        << QStringList{u"第二句话 "_s, u"第三句话 "_s, u"第四句话 "_s};
}

void TstCheckRun::savedRunResumesToTheSameFigures()
{
    QFETCH(QStringList, before);
    QFETCH(int, highlighted);
    QFETCH(QStringList, resent);
    Harness whole(fourSentences);
    whole.step(u"start"_s);
    runToTheEnd(whole, 100);

    // Saved, opened into a new run and started again.
    Harness first(fourSentences);
    for (const QString &step : before)
        first.step(step);
    QCOMPARE(first.run.autoRun, 0);
    const QByteArray saved = writeCheckFile(first.run, {u"论文.txt"_s, {}, {}, u"一"_s, u"二"_s});

    Harness resumed(u"别的论文。"_s);
    CheckFile file;
    QCOMPARE(readCheckFile(saved, file, resumed.run), std::nullopt);
    QCOMPARE(file.paperName, u"论文.txt"_s);
    QCOMPARE(file.line2, u"二"_s);
    QCOMPARE(resumed.run.sentences, whole.run.sentences);
    resumed.step(u"start"_s);
    runToTheEnd(resumed, highlighted);
    QCOMPARE(resumed.sent, resent);
    QCOMPARE(figuresOf(resumed.run), figuresOf(whole.run));
    QCOMPARE(resumed.run.overall, whole.run.overall);
    QCOMPARE(resumed.run.results->titles, whole.run.results->titles);
    QCOMPARE(resumed.messages, QStringList{u"本次对比结束！"_s});
}

void TstCheckRun::damagedFilesChangeNothing_data()
{
    Harness h(fourSentences);
    h.step(u"compare"_s);
    h.step(u"page:24"_s);
    const QByteArray good = writeCheckFile(h.run, {});
    const auto edited = [&good](const std::function<void(QJsonObject &)> &edit) {
        QJsonObject root = QJsonDocument::fromJson(good).object();
        edit(root);
        return QJsonDocument(root).toJson();
    };
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut off") << good.left(good.size() / 2)
                             << u"这不是检测结果文件，或者文件已经损坏。"_s;
    QTest::newRow("foreign JSON") << QByteArray(R"({"titles":[]})") << u"这不是检测结果文件。"_s;
    QTest::newRow("another version") << edited([](QJsonObject &root) { root[u"version"_s] = 2; })
                                     << u"这个检测结果文件来自另一个版本（格式 2），无法打开。"_s;
    QTest::newRow("a page too few") << edited([](QJsonObject &root) {
        QJsonArray pages = root[u"pages"_s].toArray();
        pages.removeLast();
        root[u"pages"_s] = pages;
    }) << u"检测结果文件已经损坏：“pages”的长度不对。"_s;
    QTest::newRow("an index past the end") << edited([](QJsonObject &root) {
        QJsonObject run = root[u"run"_s].toObject();
        run[u"sentenceIndex"_s] = 5;
        root[u"run"_s] = run;
    }) << u"检测结果文件已经损坏：“sentenceIndex”不是所需范围内的整数。"_s;
}

void TstCheckRun::damagedFilesChangeNothing()
{
    QFETCH(QByteArray, bytes);
    Harness h(u"别的论文。"_s);
    CheckFile file;
    file.paperName = u"原来的"_s;
    QTEST(readCheckFile(bytes, file, h.run).value_or(QString()), "reason");
    QCOMPARE(file.paperName, u"原来的"_s);
    QCOMPARE(h.run.sentences, QStringList{u"别的论文。"_s});
}

QTEST_GUILESS_MAIN(TstCheckRun)
#include "tst_checkrun.moc"
