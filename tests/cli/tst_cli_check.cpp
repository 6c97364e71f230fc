// SPDX-License-Identifier: GPL-3.0-or-later
// quarnex-cli check as a user runs it: the whole paper against the local engine over a corpus
// made here, read back from its JSON output and exit code.
#include "engine/engine.h"
#include "engine/server.h"
#include "resultserver.h"
#include "testcorpus.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// Runs the tool without blocking, so that the servers of the test answer meanwhile.
auto runCli(const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(QStringLiteral(QUARNEX_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    QSignalSpy finished(&process, &QProcess::finished);
    if (!finished.wait(60000) || process.exitStatus() != QProcess::NormalExit)
        return std::tuple(-1, QJsonObject(), QByteArray());
    return std::tuple(process.exitCode(),
                      QJsonDocument::fromJson(process.readAllStandardOutput()).object(),
                      process.readAllStandardError());
}

auto runCheck(const QString &base, const QString &paper = testcorpus::paper(),
              const QStringList &more = {})
{
    return runCli(
        QStringList{u"check"_s, u"--json"_s, u"--pause"_s, u"0"_s, u"--search-base"_s, base} + more,
        paper.toUtf8());
}

// Each sentence's percent and overall figure; "sent" when sent but not scored, "-" when not sent.
QStringList figures(const QJsonObject &output)
{
    QStringList figures;
    for (const QJsonValue &sentence : output[u"sentences"_s].toArray()) {
        if (sentence[u"percent"_s].isNull())
            figures.append(sentence[u"sent"_s].toBool() ? u"sent"_s : u"-"_s);
        else
            figures.append(QString::number(sentence[u"percent"_s].toInteger()) + u' ' +
                           QString::number(sentence[u"overall"_s].toDouble()));
    }
    return figures;
}

using Failures = QHash<QString, int>;

const QStringList wholeRunFigures = {u"6 6"_s, u"-"_s, u"3 4.5"_s, u"0 3"_s};

// An answer that ends before its announced length: a network error to the client. (A connection
// closed before any answer would not do: the client sends the request once more by itself.)
void cutShort(QTcpSocket *socket)
{
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                  "Content-Length: 1000\r\n\r\n<html><body>");
    socket->disconnectFromHost();
}

// The engine's result pages behind a front that fails the first requests of chosen queries, in
// turn by closing the connection in the middle of the page, with 503 and with an empty page, or
// (a negative count) answer with a human-verification page; it logs every query it receives.
class FlakyEngine final : public QAbstractHttpServer {
public:
    FlakyEngine(const QString &folder, QHash<QString, int> failures)
        : m_index(*EngineIndex::fromFolder(folder, nullptr)), m_failures(std::move(failures))
    {
        m_port = quint16(listen(QHostAddress::LocalHost, 0));
    }

    QString base() const { return u"http://127.0.0.1:"_s + QString::number(m_port); }
    QStringList queries() const { return m_queries; }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        const QString query = QUrlQuery(request.url()).queryItemValue(u"wd"_s, QUrl::FullyDecoded);
        m_queries.append(query);
        const int attempt = m_attempts[query]++;
        if (m_failures.value(query) < 0)
            writeHtmlAnswer(socket, "200 OK",
                            u"<html><head><title>百度安全验证</title></head><body><form "
                            u"id=captcha>请完成下方验证</form></body></html>"_s);
        else if (attempt >= m_failures.value(query))
            writeHtmlAnswer(socket, "200 OK",
                            resultPage(m_index, query, base()).value_or(QString()));
        else if (attempt % 3 == 0)
            cutShort(socket);
        else if (attempt % 3 == 1)
            writeHtmlAnswer(socket, "503 Service Unavailable", u"<body>busy</body>"_s);
        else
            writeHtmlAnswer(socket, "200 OK", QString());
        return true;
    }
    void missingHandler(const QHttpServerRequest &, QTcpSocket *socket) override
    {
        writeHtmlAnswer(socket, "404 Not Found", QString());
    }

private:
    EngineIndex m_index;
    QHash<QString, int> m_failures;
    QHash<QString, int> m_attempts;
    QStringList m_queries;
    quint16 m_port = 0;
};

} // namespace

class TestCliCheck : public QObject {
    Q_OBJECT

    QTemporaryDir m_corpus;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_corpus.isValid());
        QVERIFY(testcorpus::write(m_corpus.path()));
    }
    void wholeRunAgainstEngine();
    void thesisAgainstLibrary();
    void retriesFailedRequests_data();
    void retriesFailedRequests();
    void reportLeavingOutContentsAndReferences();
    void savedCheckResumesToTheSameFigures();
};

void TestCliCheck::wholeRunAgainstEngine()
{
    EngineServer engine(*EngineIndex::fromFolder(m_corpus.path(), nullptr));
    QVERIFY(engine.start(0));
    auto [code, output, errors] = runCheck(engine.base());
    QCOMPARE(code, 0);
    QCOMPARE(figures(output), wholeRunFigures);
    // A number in the JSON, as every figure is.
    QCOMPARE(output[u"overall"_s], QJsonValue(3));
    QVERIFY(output[u"stopped"_s].isNull());
    const QJsonArray sentences = output[u"sentences"_s].toArray();
    QCOMPARE(sentences[0][u"label2"_s].toString(), u"本句相似度：6%\r\n\r\n目前总体相似度：6%"_s);

    // Each result's address serves its document.
    const QJsonArray first = sentences[0][u"results"_s].toArray();
    QCOMPARE(first[0][u"title"_s].toString(), u"绿地1.txt"_s);
    QCOMPARE(first[0][u"url"_s].toString(),
             engine.base() + u"/doc/"_s +
                 QString::fromLatin1(u"绿地1.txt"_s.toUtf8().toPercentEncoding()));

    // The gathered results reach the report and are counted there: 数据1.txt came up once, for
    // the third sentence.
    QVERIFY(output[u"report"_s].toString().contains(
        u"数据1.txt</a></td><td width=100 align=center>1</td>"_s));
}

void TestCliCheck::thesisAgainstLibrary()
{
    QTemporaryDir library;
    QVERIFY(testcorpus::writeThesisLibrary(library.path()));
    const QString thesis = testcorpus::thesis();
    const QString copied = testcorpus::thesisCopies();

    EngineServer engine(*EngineIndex::fromFolder(library.path(), nullptr));
    QVERIFY(engine.start(0));
    auto [code, output, errors] = runCheck(engine.base(), thesis);
    QCOMPARE(code, 0);
    QVERIFY(output[u"stopped"_s].isNull());
    qint64 lowestCopied = 100, highestOther = 0;
    int copiedCount = 0;
    for (const QJsonValue &sentence : output[u"sentences"_s].toArray()) {
        const QString text = sentence[u"sentence"_s].toString().trimmed();
        const qint64 percent = sentence[u"percent"_s].toInteger();
        if (text.size() > 6 && copied.contains(text)) {
            lowestCopied = std::min(lowestCopied, percent);
            ++copiedCount;
        } else {
            highestOther = std::max(highestOther, percent);
        }
    }
    QCOMPARE(copiedCount, 4);
    QVERIFY2(lowestCopied > highestOther, qPrintable(QString::number(highestOther)));
    const QString report = output[u"report"_s].toString();
    QVERIFY(report.indexOf(u"甲.txt"_s) >= 0);
    QVERIFY(report.indexOf(u"甲.txt"_s) < report.indexOf(u"乙.txt"_s));
    QVERIFY(!report.contains(u"丙.txt"_s) && !report.contains(u"丁.txt"_s));
}

void TestCliCheck::retriesFailedRequests_data()
{
    QTest::addColumn<Failures>("failures");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("queries");

    const QStringList texts = testcorpus::searchTexts();
    QTest::newRow("every search fails twice, then answers")
        << Failures{{texts[0], 2}, {texts[1], 2}, {texts[2], 2}} << 0 << wholeRunFigures
        << QStringList{texts[0], texts[0], texts[0], texts[1], texts[1],
                       texts[1], texts[2], texts[2], texts[2]};
    // Three failed retries stop the run; the overall count is lowered once.
    QTest::newRow("the second search never answers")
        << Failures{{texts[1], 100}} << 3 << QStringList{u"6 6"_s, u"-"_s, u"sent"_s, u"-"_s}
        << QStringList{texts[0], texts[1], texts[1], texts[1], texts[1]};
    // Not scored as a page without highlight: the run stops with a status of its own.
    QTest::newRow("the site asks for a human check")
        << Failures{{texts[1], -1}} << 4 << QStringList{u"6 6"_s, u"-"_s, u"sent"_s, u"-"_s}
        << QStringList{texts[0], texts[1]};
}

void TestCliCheck::retriesFailedRequests()
{
    QFETCH(Failures, failures);
    QFETCH(int, exitCode);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, queries);

    FlakyEngine engine(m_corpus.path(), failures);
    auto [code, output, errors] = runCheck(engine.base());
    QCOMPARE(code, exitCode);
    QCOMPARE(figures(output), expected);
    // Blank sentences are never sent.
    QCOMPARE(engine.queries(), queries);
}

void TestCliCheck::reportLeavingOutContentsAndReferences()
{
    EngineServer engine(*EngineIndex::fromFolder(m_corpus.path(), nullptr));
    QVERIFY(engine.start(0));
    const QString heading = u"第1章 城市绿地与居民的健康状况"_s;
    const QString thesis = u"目录\n"_s + heading + u"\n参考文献\n"_s + heading +
                           u"\n城市绿地与居民的健康状况密切相关。我们研究了三个城市的数据！\n"
                           u"参考文献\n[1] 我们研究了三个城市的数据。\n"_s;
    QTemporaryDir out;
    const QString html = out.filePath(u"报告.html"_s), pdf = out.filePath(u"报告.pdf"_s);
    auto [code, output, errors] = runCheck(
        engine.base(), thesis, {u"--skip-references"_s, u"--report"_s, html, u"--pdf"_s, pdf});
    QCOMPARE(code, 0);
    // Which parts are left out and how sentences are banded is the findings' rule; here only that
    // the option reaches the run and the findings reach the output.
    QStringList sent;
    for (const QJsonValue &sentence : output[u"sentences"_s].toArray())
        sent << (sentence[u"sent"_s].toBool() ? u"sent"_s : sentence[u"band"_s].toString());
    QCOMPARE(sent, (QStringList{u"grey"_s, u"grey"_s, u"grey"_s, u"sent"_s, u"sent"_s, u"sent"_s,
                                u"grey"_s, u"grey"_s}));
    QCOMPARE(output[u"sections"_s][1][u"heading"_s].toString(), heading);
    QVERIFY(output[u"copyRatioWithoutReferences"_s].toDouble() > output[u"copyRatio"_s].toDouble());
    QVERIFY(output[u"sources"_s].toArray().first()[u"title"_s].toString().startsWith(u"绿地"_s));

    QFile page(html), document(pdf);
    QVERIFY(page.open(QIODevice::ReadOnly) && document.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(page.readAll()).contains(u"<title>检测报告</title>"_s));
    QVERIFY(document.read(5) == "%PDF-");
}

void TestCliCheck::savedCheckResumesToTheSameFigures()
{
    QTemporaryDir folder;
    const QString saved = folder.filePath(u"论文.qxcheck"_s);
    {
        FlakyEngine asking(m_corpus.path(), {{testcorpus::searchTexts()[1], -1}});
        auto [code, output, errors] =
            runCheck(asking.base(), testcorpus::paper(), {u"--save"_s, saved});
        QCOMPARE(code, 4);
    }
    EngineServer engine(*EngineIndex::fromFolder(m_corpus.path(), nullptr));
    QVERIFY(engine.start(0));
    const auto resume = [&] { return runCheck(engine.base(), {}, {u"--resume"_s, saved}); };
    auto [code, output, errors] = resume();
    QCOMPARE(code, 0);
    QCOMPARE(figures(output), wholeRunFigures);
    // Written back: resumed once more, nothing is left to send and the figures stay.
    auto [again, finished, moreErrors] = resume();
    QCOMPARE(again, 0);
    QCOMPARE(figures(finished), wholeRunFigures);

    QFile::resize(saved, 100);
    auto [damaged, none, reason] = resume();
    QCOMPARE(damaged, 1);
    QVERIFY2(QString::fromUtf8(reason).contains(u"损坏"_s), reason.constData());
}

QTEST_GUILESS_MAIN(TestCliCheck)
#include "tst_cli_check.moc"
