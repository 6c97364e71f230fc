#include "resultserver.h"

#include <QHttpServer>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <tuple>

using namespace Qt::StringLiterals;

// Sentence 2 searches for nothing.
static const QByteArray paper = u"城市绿地与居民的健康状况密切相关。。我们研究了三个城市的数据！"
                                u"第四句也在这里。"_s.toUtf8();
static const QString first = u"城市绿地与居民的健康状况密切相关 "_s;
static const QString third = u"我们研究了三个城市的数据 "_s;
static const QString stopMessage = u"网络不给力，自动对比已经暂停！"_s;

// Runs the tool without blocking, so that the servers of the test answer meanwhile.
static auto runCli(const QStringList &arguments, const QByteArray &input)
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

static auto runCheck(const QString &base)
{
    return runCli({u"check"_s, u"--json"_s, u"--pause"_s, u"0"_s, u"--search-base"_s, base}, paper);
}

// Each sentence's percent and overall figure; "sent" when sent but not scored, "-" when not sent.
static QStringList figures(const QJsonObject &output)
{
    QStringList figures;
    for (const QJsonValue &sentence : output[u"sentences"_s].toArray()) {
        if (sentence[u"percent"_s].isNull())
            figures.append(sentence[u"sent"_s].toBool() ? u"sent"_s : u"-"_s);
        else
            figures.append(QString::number(sentence[u"percent"_s].toInteger()) + u' ' +
                           sentence[u"overall"_s].toString());
    }
    return figures;
}

class TestCliCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wholeRun();
    void stopsOnPageWithoutHighlight();
    void retriesThreeTimes();
};

void TestCliCheck::wholeRun()
{
    quarnex::ResultServer server;
    auto [code, output, errors] = runCheck(server.base());
    QCOMPARE(code, 0);
    // 51 of 1234, 39 of 1226 and 24 of 1216 highlighted; the overall divides by pages scored.
    QCOMPARE(figures(output), QStringList({u"4 4"_s, u"-"_s, u"3 3.5"_s, u"2 3"_s}));
    QCOMPARE(output[u"overall"_s].toString(), u"3"_s);
    QCOMPARE(server.queries(), QStringList({first, third, u"第四句也在这里 "_s}));
    QCOMPARE(server.rawTargets().first(),
             QString::fromLatin1("/s?wd=" + first.toUtf8().toPercentEncoding()));

    // The report is the one the report command makes of the gathered slots.
    QJsonArray titles, urls;
    for (const QJsonValue &sentence : output[u"sentences"_s].toArray()) {
        const QJsonArray results = sentence[u"results"_s].toArray();
        QCOMPARE(results.size(), sentence[u"sent"_s].toBool() ? 3 : 0);
        for (qsizetype slot = 0; slot < 10; ++slot) {
            titles.append(slot < results.size() ? results[slot][u"title"_s] : u""_s);
            urls.append(slot < results.size() ? results[slot][u"url"_s] : u""_s);
        }
    }
    titles.append(u""_s);
    urls.append(u""_s);
    const QByteArray slots =
        QJsonDocument(QJsonObject{{u"titles"_s, titles}, {u"urls"_s, urls}}).toJson();
    auto [reportCode, report, reportErrors] = runCli({u"report"_s, u"--json"_s}, slots);
    QCOMPARE(output[u"report"_s].toString(), report[u"html"_s].toString());
}

void TestCliCheck::stopsOnPageWithoutHighlight()
{
    quarnex::ResultServer server;
    server.setPage(third, u"<body>"_s + QString(600, u'字') + u"</body>"_s);
    auto [code, output, errors] = runCheck(server.base());
    QCOMPARE(code, 3);
    // The stopping page still counts: (4 + 0) / 2.
    QCOMPARE(figures(output), QStringList({u"4 4"_s, u"-"_s, u"0 2"_s, u"-"_s}));
    QCOMPARE(output[u"stopped"_s].toString(), stopMessage);
    QVERIFY(QString::fromUtf8(errors).contains(stopMessage));
    QCOMPARE(server.queries().size(), 2);
}

void TestCliCheck::retriesThreeTimes()
{
    // The first search fails three times and then answers; the second never answers.
    QHttpServer server;
    QHash<QString, int> requests;
    server.route(u"/s"_s, [&](const QHttpServerRequest &request) {
        const QString query = QUrlQuery(request.url()).queryItemValue(u"wd"_s, QUrl::FullyDecoded);
        if (++requests[query] <= 3 || query != first)
            return QHttpServerResponse(QHttpServerResponse::StatusCode::ServiceUnavailable);
        return QHttpServerResponse("text/html"_ba, (u"<html><head></head><BODY class=\"r\">"_s +
                                                    QString(600, u'中') + u"<em>"_s + query +
                                                    u"</em></BODY></html>"_s)
                                                       .toUtf8());
    });
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    auto [code, output, errors] = runCheck(u"http://127.0.0.1:"_s + QString::number(port));
    QCOMPARE(code, 3);
    // 17 of 1234 highlighted.
    QCOMPARE(figures(output), QStringList({u"1 1"_s, u"-"_s, u"sent"_s, u"-"_s}));
    QCOMPARE(requests, (QHash<QString, int>{{first, 4}, {third, 4}}));
}

QTEST_GUILESS_MAIN(TestCliCheck)
#include "tst_cli_check.moc"
