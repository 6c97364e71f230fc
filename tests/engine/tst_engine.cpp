// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/page.h"
#include "engine/engine.h"
#include "engine/server.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QString query = u"城市绿地能够改善居民的睡眠质量"_s;

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_outside;
    EngineIndex m_index;
    QStringList m_failures;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkdir(u"sub"_s));
        // Runs with the query: b "能够改善居民的睡眠质量" (11); c and f tie on "城市绿地能够" (6),
        // so f's name puts it after c; d "居民的睡眠" (5) and e "睡眠质量" (4) are too short.
        write(m_dir.filePath(u"f.txt"_s), u"我们研究城市绿地能够带来什么。"_s.toUtf8());
        write(m_dir.filePath(u"sub/b.txt"_s),
              u"公园能够改善居民的睡眠质量，也让人愉快。"_s.toUtf8());
        write(m_dir.filePath(u"d.txt"_s), u"运动有助于居民的睡眠"_s.toUtf8());
        write(m_dir.filePath(u"c.txt"_s), u"城市绿地能够吸收噪声"_s.toUtf8());
        write(m_dir.filePath(u"e.txt"_s), u"饮食影响睡眠质量与心情"_s.toUtf8());
        write(m_dir.filePath(u"broken.docx"_s), "PK\x03\x04 word/document.xml cut short");
        QVERIFY(m_outside.isValid());
        write(m_outside.filePath(u"secret.txt"_s), "能够改善居民的睡眠质量");
        QVERIFY(QFile::link(m_outside.filePath(u"secret.txt"_s), m_dir.filePath(u"secret.txt"_s)));
        m_index = EngineIndex::fromFolder(m_dir.path(), &m_failures);
    }

    void unreadableDocumentIsSkipped()
    {
        QCOMPARE(m_failures.size(), 1);
        QVERIFY(m_failures[0].startsWith(u"broken.docx: "_s));
        QCOMPARE(m_index.documents().size(), 5);
        QVERIFY(m_index.find(u"sub/b.txt"));
    }

    void rankedByLongestCommonRun()
    {
        QStringList names;
        QList<qsizetype> lengths;
        for (const EngineHit &hit : m_index.search(query)) {
            names.append(m_index.documents()[hit.document].name);
            lengths.append(hit.length);
        }
        QCOMPARE(names, (QStringList{u"sub/b.txt"_s, u"c.txt"_s, u"f.txt"_s}));
        QCOMPARE(lengths, (QList<qsizetype>{11, 6, 6}));
        // Beyond its first 512 characters a query is not searched.
        const QList<EngineHit> cut = m_index.search(QString(505, u'星') + query.mid(4));
        QCOMPARE(cut.value(0).length, 7);
    }

    void commonRunsAreHighlighted()
    {
        QCOMPARE(abstractHtml(u"我们研究城市绿地的分布。城里居民很多。", {0, 4, 4, 0}, query),
                 u"我们研究<em>城市绿地</em>的分布。城里<em>居民</em>很多。"_s);
        const EngineDocument document{u"x"_s, u"<城市>&绿地"_s};
        QCOMPARE(abstractHtml(document.text, {0, 2, 1, 0}, u"城市&绿地"),
                 u"&lt;<em>城市</em>&gt;<em>&amp;绿地</em>"_s);
    }

    void pageIsScoredAndYieldsResults()
    {
        const QString page = resultPage(m_index, query, u"http://127.0.0.1:9");
        QVERIFY(pageTextLength(page) >= minimumPageText);
        const PageReading reading = readPage(page, query);
        QVERIFY(reading.percent > 0);
        QVERIFY(reading.highlight.text.contains(u"能够改善居民的睡眠质量"_s));
        QCOMPARE(reading.results.size(), 3);
        QCOMPARE(reading.results[0].title, u"b.txt"_s);
        QCOMPARE(reading.results[0].url, u"http://127.0.0.1:9/doc/sub/b.txt"_s);
        QCOMPARE(reading.results[2].title, u"f.txt"_s);

        // Nothing found is an answer that scores 0, told apart from a page that is not one.
        const QString none = resultPage(m_index, u"睡眠质量"_s, u"http://127.0.0.1:9");
        const PageReading nothing = readPage(none, u"睡眠质量");
        QVERIFY(nothing.results.isEmpty());
        QCOMPARE(nothing.percent, 0);
        QVERIFY(nothing.answered);
        QVERIFY(!readPage(documentPage({u"e.txt"_s, u"睡眠质量"_s}), u"睡眠质量").answered);
    }

    void commandLineErrors()
    {
        // arguments, the start of the message on standard error
        const std::pair<QStringList, QString> cases[] = {
            {{u"--corpus"_s, m_dir.filePath(u"absent"_s)}, u"quarnex-engine: cannot read"_s},
            {{u"--corpus"_s, m_dir.filePath(u"c.txt"_s)}, u"quarnex-engine: cannot read"_s},
            {{}, u"quarnex-engine: --corpus DIR is needed; try 'quarnex-engine --help'\n"_s},
            {{u"--corpus"_s, m_dir.path(), u"--port"_s, u"70000"_s},
             u"quarnex-engine: --port takes"_s},
            {{u"--bogus"_s}, u"quarnex-engine: unknown option 'bogus'; try"_s},
        };
        for (const auto &[arguments, message] : cases) {
            QProcess engine;
            engine.start(QStringLiteral(QUARNEX_ENGINE), arguments);
            QVERIFY(engine.waitForFinished(10000));
            QCOMPARE(engine.exitCode(), 2);
            QVERIFY2(engine.readAllStandardError().startsWith(message.toUtf8()),
                     qPrintable(arguments.join(u' ')));
        }
    }

    void serverAnswersQueriesAndRefusesBadRequests()
    {
        EngineServer server(m_index);
        QVERIFY(server.start(0));
        QNetworkAccessManager network;
        const auto get = [&](const QString &target, int *status) {
            QNetworkReply *reply = network.get(QNetworkRequest(QUrl(server.base() + target)));
            QSignalSpy finished(reply, &QNetworkReply::finished);
            finished.wait(5000);
            *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            reply->deleteLater();
            return QString::fromUtf8(reply->readAll());
        };
        int status = 0;
        const QString page =
            get(u"/s?wd=%E8%83%BD%E5%A4%9F%E6%94%B9%E5%96%84%E5%B1%85%E6%B0%91"_s, &status);
        QCOMPARE(status, 200);
        QCOMPARE(readPage(page, u"能够改善居民").results.value(0).title, u"b.txt"_s);
        QVERIFY(get(u"/doc/sub/b.txt"_s, &status).contains(u"也让人愉快"_s));
        QCOMPARE(status, 200);
        get(u"/doc/none.txt"_s, &status);
        QCOMPARE(status, 404);
        get(u"/doc/secret.txt"_s, &status);
        QCOMPARE(status, 404);
        // Any other Host than the engine's own address is refused.
        for (const QByteArray &host : {QByteArray("evil.example:") + QByteArray::number(
                                           QUrl(server.base()).port()), QByteArray()}) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(QUrl(server.base()).port()));
            QVERIFY(socket.waitForConnected(5000));
            socket.write("GET /s?wd=%E7%9D%A1 HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
            QTRY_VERIFY(socket.bytesAvailable() > 0);
            QVERIFY(socket.readAll().startsWith("HTTP/1.1 403"));
        }
        QVERIFY(get(u"/s?q=1"_s, &status).contains(u"wd"_s));
        QCOMPARE(status, 400);

        // Queries in flight together each get their own page.
        const QStringList queries = {u"居民的睡眠质量"_s, u"研究城市绿地"_s, u"改善居民的睡眠"_s,
                                     u"星期天下雨了"_s};
        QList<QNetworkReply *> replies;
        for (int round = 0; round < 4; ++round)
            for (const QString &query : queries)
                replies.append(network.get(QNetworkRequest(
                    QUrl(server.base() + u"/s?wd="_s +
                         QString::fromLatin1(query.toUtf8().toPercentEncoding())))));
        QTRY_VERIFY(std::all_of(replies.cbegin(), replies.cend(),
                                [](const QNetworkReply *r) { return r->isFinished(); }));
        for (qsizetype i = 0; i < replies.size(); ++i) {
            const QString body = QString::fromUtf8(replies[i]->readAll());
            const auto results = readPage(body, queries[i % queries.size()]).results;
            QCOMPARE(results.isEmpty(), i % queries.size() == 3);
            replies[i]->deleteLater();
        }
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
