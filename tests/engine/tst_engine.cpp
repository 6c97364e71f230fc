// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/page.h"
#include "engine/engine.h"
#include "engine/library.h"
#include "engine/request.h"
#include "engine/server.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <csignal>

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

// The status line and body of each answer in the bytes read from one connection.
QList<std::pair<QByteArray, QByteArray>> answersIn(QByteArray bytes)
{
    QList<std::pair<QByteArray, QByteArray>> answers;
    while (bytes.startsWith("HTTP/1.1 ")) {
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        const qsizetype length = bytes.indexOf("Content-Length: ");
        if (end < 0 || length < 0 || length > end)
            break;
        const qsizetype size =
            bytes.mid(length + 16, end - length - 16).split('\r')[0].toLongLong();
        answers.append({bytes.first(bytes.indexOf("\r\n")), bytes.mid(end + 4, size)});
        bytes.remove(0, end + 4 + size);
    }
    return answers;
}

// A connection to the engine on which `bytes` have been written.
std::unique_ptr<QTcpSocket> connectAndWrite(quint16 port, const QByteArray &bytes)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    socket->waitForConnected(5000);
    socket->write(bytes);
    return socket;
}

// Goes on writing "a"s after what was written, as fast as the connection takes them, up to
// 200 MB; `sent` counts what left. A small send buffer leaves what the kernels hold on the way
// at some hundred KB.
void keepWriting(QTcpSocket *socket, qint64 *sent)
{
    static const QByteArray chunk(64 * 1024, 'a');
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 16 * 1024);
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, sent](qint64 bytes) {
        *sent += bytes;
        if (*sent < 200 * 1024 * 1024 && socket->bytesToWrite() < chunk.size())
            socket->write(chunk);
    });
    socket->write(chunk);
}

// Ends xapian-tcpsrv and the children it forked, one a connection, which would go on serving.
void killServer(QProcess &server)
{
    const QByteArray parent = QByteArray::number(server.processId());
    for (const QString &pid : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        QFile stat(u"/proc/"_s + pid + u"/stat"_s);
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "PID (NAME) STATE PPID …"; the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == parent)
            ::kill(pid.toInt(), SIGKILL);
    }
    server.kill();
    server.waitForFinished();
}

// A port that nothing listens on just now.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

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
        QString error;
        m_index = *EngineIndex::fromFolder(m_dir.path(), &m_failures, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void unreadableDocumentIsSkipped()
    {
        QCOMPARE(m_failures.size(), 1);
        QVERIFY(m_failures[0].startsWith(u"broken.docx: "_s));
        QCOMPARE(m_index.documentCount(), 5);
        QCOMPARE(m_index.find(u"sub/b.txt")->text, u"公园能够改善居民的睡眠质量，也让人愉快。"_s);
        QVERIFY(!m_index.find(u"secret.txt"));
        QVERIFY(!m_index.find(u"broken.docx"));
    }

    // Of random texts over few characters, so that pairs repeat as in prose, every six-character
    // run of a document, inside any query, gives the query a term of the document.
    void sampledTermsFindEverySixCharacterRun()
    {
        QRandomGenerator random(7);
        const auto text = [&](qsizetype length) {
            QString t;
            for (qsizetype i = 0; i < length; ++i)
                t += QChar(char16_t(u'甲' + random.bounded(6)));
            return t;
        };
        for (int round = 0; round < 300; ++round) {
            const QString document = text(random.bounded(6, 200));
            const std::vector<std::string> terms = libraryTerms(document);
            const qsizetype at = random.bounded(document.size() - 5);
            const QString query =
                text(random.bounded(20)) + document.mid(at, 6) + text(random.bounded(20));
            const std::vector<std::string> asked = libraryTerms(query);
            QVERIFY2(std::any_of(asked.cbegin(), asked.cend(),
                                 [&](const std::string &term) {
                                     return std::find(terms.cbegin(), terms.cend(), term) !=
                                            terms.cend();
                                 }),
                     qPrintable(document + u" / "_s + query));
        }
        QVERIFY(libraryTerms(u"城市绿地能").empty());
        // About a third of the pairs are terms, which is what keeps the index small.
        QString varied;
        for (int i = 0; i < 3000; ++i)
            varied += QChar(char16_t(0x4E00 + random.bounded(3000)));
        const auto terms = libraryTerms(varied).size();
        QVERIFY2(terms > 800 && terms < 1200, qPrintable(QString::number(terms)));
    }

    // A long document is held as passages: a run across their border is found whole, and the
    // document is shown and counted as one.
    void longDocumentIsSearchedByPassages()
    {
        QRandomGenerator random(9);
        QString text;
        for (int i = 0; i < 5 * passageLength + 7; ++i)
            text += QChar(char16_t(0x4E00 + random.bounded(20000)));
        const EngineIndex index({{u"长.txt"_s, text}, {u"短.txt"_s, text.mid(3000, 10)}});
        QCOMPARE(index.documentCount(), 2);
        QCOMPARE(index.find(u"长.txt")->text, text);
        for (const qsizetype at : {passageLength - 20, 3 * passageLength - 39, text.size() - 40}) {
            const auto hits = index.search(u"句首"_s + text.mid(at, 40) + u"句尾"_s);
            QCOMPARE(hits->size(), 1);
            QCOMPARE(hits->at(0).length, 40);
            QCOMPARE(hits->at(0).document.name, u"长.txt"_s);
            QCOMPARE(hits->at(0).document.text.mid(hits->at(0).documentPosition, 40),
                     text.mid(at, 40));
        }
    }

    void libraryIsUpdatedIncrementally()
    {
        QTemporaryDir folder;
        QTemporaryDir databases;
        const QString database = databases.filePath(u"library"_s);
        write(folder.filePath(u"a.txt"_s), u"城市绿地能够吸收噪声，改善空气。"_s.toUtf8());
        write(folder.filePath(u"b.txt"_s), u"公园能够改善居民的睡眠质量。"_s.toUtf8());
        write(folder.filePath(u"c.txt"_s), u"运动有助于居民的睡眠和健康。"_s.toUtf8());
        write(folder.filePath(u"e.txt"_s), "\x89PNG\r\n\x1A\n\0\0\0\rIHDR");
        write(folder.filePath(u"f.txt"_s), "\x89PNG\r\n\x1A\n\0\0\0\rIHDR");
        LibraryUpdate update;
        QString error;
        QVERIFY2(updateLibrary(folder.path(), database, &update, &error), qPrintable(error));
        QCOMPARE((std::array{update.documents, update.added, update.changed, update.removed}),
                 (std::array<qsizetype, 4>{3, 3, 0, 0}));
        const QStringList unreadable = update.failures;
        QCOMPARE(unreadable.size(), 2);
        QVERIFY(unreadable[0].startsWith(u"e.txt: 文件内容不是文本"_s));

        // Unchanged files are not read again, those that could not be read either: none is
        // counted, progress is never called, and the unreadable ones are named as before.
        bool read = false;
        QVERIFY(updateLibrary(folder.path(), database, &update, &error,
                              [&](qsizetype, qsizetype) { read = true; }));
        QCOMPARE((std::array{update.documents, update.added, update.changed, update.removed}),
                 (std::array<qsizetype, 4>{3, 0, 0, 0}));
        QVERIFY(!read);
        QCOMPARE(update.failures, unreadable);
        // Another database's readable copy is found past the record.
        const QString other = databases.filePath(u"other"_s);
        QVERIFY(writeLibrary(other, {{u"e.txt"_s, u"另一份。"_s}}, &error));
        const std::optional<EngineIndex> both = EngineIndex::open({{database, other}, {}}, &error);
        QVERIFY2(both, qPrintable(error));
        QCOMPARE(both->find(u"e.txt").value_or(EngineDocument()).text, u"另一份。"_s);

        // An unreadable file made readable is new to the library; one removed was never in it.
        // A Word file whose converter is missing is not held against it.
        write(folder.filePath(u"a.txt"_s), u"城市绿地能够降低夏天的气温。"_s.toUtf8());
        QVERIFY(QFile::remove(folder.filePath(u"c.txt"_s)));
        write(folder.filePath(u"d.txt"_s), u"树木能够降低夏天的气温。"_s.toUtf8());
        write(folder.filePath(u"e.txt"_s), u"草地能够降低夏天的气温。"_s.toUtf8());
        QVERIFY(QFile::remove(folder.filePath(u"f.txt"_s)));
        QVERIFY(QFile::copy(QStringLiteral(QUARNEX_TEST_DATA "/chinese.doc"),
                            folder.filePath(u"g.doc"_s)));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "");
        QVERIFY(updateLibrary(folder.path(), database, &update, &error));
        qputenv("PATH", path);
        QCOMPARE((std::array{update.documents, update.added, update.changed, update.removed}),
                 (std::array<qsizetype, 4>{4, 2, 1, 1}));
        QCOMPARE(update.failures.size(), 1);
        QVERIFY(update.failures[0].startsWith(u"g.doc: "_s));
        QVERIFY(updateLibrary(folder.path(), database, &update, &error));
        QCOMPARE((std::array{update.documents, update.added, update.changed, update.removed}),
                 (std::array<qsizetype, 4>{5, 1, 0, 0}));
        QVERIFY(update.failures.isEmpty());
        const std::optional<EngineIndex> index = EngineIndex::open({{database}, {}}, &error);
        QVERIFY2(index, qPrintable(error));
        QStringList names;
        for (const EngineHit &hit :
             index->search(u"能够降低夏天的气温").value_or(QList<EngineHit>()))
            names.append(hit.document.name);
        QCOMPARE(names, (QStringList{u"a.txt"_s, u"d.txt"_s, u"e.txt"_s}));
        QVERIFY(index->search(u"能够吸收噪声")->isEmpty());
        QVERIFY(!index->find(u"c.txt"));

        // A folder that holds something else is not written over.
        QVERIFY(!updateLibrary(folder.path(), folder.path(), &update, &error));
        QVERIFY(error.endsWith(u"is not a library database"_s));
        QVERIFY(QFile::exists(folder.filePath(u"a.txt"_s)));
    }

    // Two halves of a library, each served by xapian-tcpsrv, answer as the whole library does.
    void remoteShardsAnswerAsOneDatabase()
    {
        QTemporaryDir work;
        const QStringList halves = {u"one"_s, u"two"_s};
        QStringList all;
        QString error;
        QList<std::shared_ptr<QProcess>> servers;
        QStringList remotes;
        for (int half = 0; half < 2; ++half) {
            const QString folder = work.filePath(halves[half]);
            QVERIFY(QDir().mkpath(folder + u"/sub"_s));
            const QStringList names = half == 0
                                          ? QStringList{u"c.txt"_s, u"d.txt"_s, u"sub/b.txt"_s}
                                          : QStringList{u"e.txt"_s, u"f.txt"_s};
            for (const QString &name : names)
                QVERIFY(QFile::copy(m_dir.filePath(name), QDir(folder).filePath(name)));
            LibraryUpdate update;
            QVERIFY(updateLibrary(folder, folder + u".db"_s, &update, &error));
            auto server = std::make_shared<QProcess>();
            server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            const quint16 port = freePort();
            server->start(u"xapian-tcpsrv"_s, {u"--interface"_s, u"127.0.0.1"_s, u"--port"_s,
                                               QString::number(port), folder + u".db"_s});
            QVERIFY(server->waitForStarted());
            servers.append(server);
            remotes.append(u"127.0.0.1:"_s + QString::number(port));
        }
        const auto names = [](const EngineIndex &index, QStringView text) {
            QStringList found;
            for (const EngineHit &hit : index.search(text).value_or(QList<EngineHit>()))
                found.append(hit.document.name + u' ' + QString::number(hit.length));
            return found;
        };
        std::optional<EngineIndex> remote;
        QTRY_VERIFY_WITH_TIMEOUT((remote = EngineIndex::open({{}, remotes}, &error)), 10000);
        QCOMPARE(remote->documentCount(), 5);
        for (const QString &text : {query, u"我们研究城市绿地能够吸收噪声"_s})
            QCOMPARE(names(*remote, text), names(m_index, text));
        QCOMPARE(names(*remote, query).size(), 3);
        QCOMPARE(remote->find(u"c.txt")->text, u"城市绿地能够吸收噪声"_s);

        // A shard that is down makes a search fail, answered 503 so that the run sends it
        // again, never a page that found nothing.
        killServer(*servers[1]);
        QVERIFY(!remote->search(query));
        EngineServer server(*remote);
        const quint16 port = server.start(0);
        const auto socket = connectAndWrite(
            port, "GET /s?wd=%E5%9F%8E%E5%B8%82%E7%BB%BF%E5%9C%B0%E8%83%BD%E5%A4%9F HTTP/1.1\r\n"
                  "Host: 127.0.0.1:" +
                      QByteArray::number(port) + "\r\n\r\n");
        QTRY_COMPARE(answersIn(socket->peek(1 << 20)).value(0).first,
                     "HTTP/1.1 503 Service Unavailable");
        killServer(*servers[0]);
    }

    void rankedByLongestCommonRun()
    {
        QStringList names;
        QList<qsizetype> lengths;
        for (const EngineHit &hit : m_index.search(query).value_or(QList<EngineHit>())) {
            names.append(hit.document.name);
            lengths.append(hit.length);
        }
        QCOMPARE(names, (QStringList{u"sub/b.txt"_s, u"c.txt"_s, u"f.txt"_s}));
        QCOMPARE(lengths, (QList<qsizetype>{11, 6, 6}));
        // Beyond its first 512 characters a query is not searched.
        const auto cut = m_index.search(QString(505, u'星') + query.mid(4));
        QCOMPARE(cut->value(0).length, 7);
    }

    void commonRunsAreHighlighted()
    {
        QCOMPARE(abstractHtml(u"我们研究城市绿地的分布。城里居民很多。", {{}, 4, 4, 0}, query),
                 u"我们研究<em>城市绿地</em>的分布。城里<em>居民</em>很多。"_s);
        const EngineDocument document{u"x"_s, u"<城市>&绿地"_s};
        QCOMPARE(abstractHtml(document.text, {{}, 2, 1, 0}, u"城市&绿地"),
                 u"&lt;<em>城市</em>&gt;<em>&amp;绿地</em>"_s);
    }

    void pageIsScoredAndYieldsResults()
    {
        const QString page = *resultPage(m_index, query, u"http://127.0.0.1:9");
        QVERIFY(pageTextLength(page) >= minimumPageText);
        const PageReading reading = readPage(page, query);
        QVERIFY(reading.percent > 0);
        QVERIFY(reading.highlight.text.contains(u"能够改善居民的睡眠质量"_s));
        QCOMPARE(reading.results.size(), 3);
        QCOMPARE(reading.results[0].title, u"b.txt"_s);
        QCOMPARE(reading.results[0].url, u"http://127.0.0.1:9/doc/sub/b.txt"_s);
        QCOMPARE(reading.results[2].title, u"f.txt"_s);

        // Nothing found is an answer that scores 0, told apart from a page that is not one.
        const QString none = *resultPage(m_index, u"睡眠质量"_s, u"http://127.0.0.1:9");
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
            {{u"serve"_s, u"--db"_s, m_dir.filePath(u"absent"_s)},
             u"quarnex-engine: cannot open the library: "_s},
            {{u"serve"_s, u"--remote"_s, u"127.0.0.1"_s}, u"quarnex-engine: 127.0.0.1 is not"_s},
            {{u"serve"_s}, u"quarnex-engine: 'serve' needs a --db PATH"_s},
            {{u"index"_s, u"--corpus"_s, m_dir.path()}, u"quarnex-engine: 'index' takes"_s},
            {{u"index"_s, u"--corpus"_s, m_dir.filePath(u"absent"_s), u"--db"_s,
              m_outside.filePath(u"db"_s)},
             u"quarnex-engine: cannot read the folder"_s},
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
        get(u"/doc/none.txt"_s, &status);
        QCOMPARE(status, 404);

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

    void requestsAreReadAndRouted()
    {
        using State = RequestHead::State;
        const QByteArray host = "Host: 127.0.0.1:8080\r\n";
        const QByteArray get = "GET /s?wd=%E5%9F%8E+%E5%B8%82 HTTP/1.1\r\n";
        // bytes received, their verdict, the head's size, whether the connection stays open,
        // and the route: "s TEXT" searches, "d NAME" shows a document, else the refusal
        const struct {
            QByteArray bytes;
            State state;
            qsizetype size;
            bool keepAlive;
            QString route;
        } cases[] = {
            {get + host + "\r\nGET /", State::Complete, 64, true, u"s 城 市"_s},
            {"\r\nGET /doc/sub/b%2Etxt HTTP/1.1\n" + host + "\n", State::Complete, 55, true,
             u"d sub/b.txt"_s},
            {"GET /doc/a HTTP/1.0\r\nHost: localhost:8080\r\n\r\n", State::Complete, 45, false,
             u"d a"_s},
            {"GET /doc/a HTTP/1.0\r\nConnection: keep-alive\r\n" + host + "\r\n", State::Complete,
             69, true, u"d a"_s},
            {get + "Connection: Close\r\n" + host + "\r\n", State::Complete, 83, false,
             u"s 城 市"_s},
            {get + host, State::Incomplete, 0, true, u"400 Bad Request"_s},
            {get.first(20), State::Incomplete, 0, true, u"400 Bad Request"_s},
            {"GET /s?wd=a\r\n" + host + "\r\n", State::Malformed, 0, true, u"400 Bad Request"_s},
            {get + "Host : 127.0.0.1:8080\r\n\r\n", State::Malformed, 0, true,
             u"400 Bad Request"_s},
            {get + host + host + "\r\n", State::Malformed, 0, true, u"400 Bad Request"_s},
            {get + host + " folded\r\n\r\n", State::Malformed, 0, true, u"400 Bad Request"_s},
            {"GET /s?wd=a\0 HTTP/1.1\r\n" + host + "\r\n", State::Malformed, 0, true,
             u"400 Bad Request"_s},
            {"GET /" + QByteArray(maxRequestLine, 'a'), State::LineTooLong, 0, true,
             u"414 URI Too Long"_s},
            {get + "X: " + QByteArray(maxRequestHead, 'a'), State::HeadTooLarge, 0, true,
             u"431 Request Header Fields Too Large"_s},
            {get + "\r\n", State::Complete, 42, true, u"403 Forbidden"_s},
            {get + "Host: 127.0.0.1:80\r\n\r\n", State::Complete, 62, true, u"403 Forbidden"_s},
            {get + "Host: evil.example:8080\r\n\r\n", State::Complete, 67, true,
             u"403 Forbidden"_s},
            {get + "Host: 127.0.0.1\r\n\r\n", State::Complete, 59, true, u"403 Forbidden"_s},
            {"POST /s?wd=a HTTP/1.1\r\n" + host + "\r\n", State::Complete, 47, true,
             u"400 Bad Request"_s},
            {get + host + "Content-Length: 3\r\n\r\nabc", State::Complete, 83, true,
             u"400 Bad Request"_s},
            {"GET /s?q=a HTTP/1.1\r\n" + host + "\r\n", State::Complete, 45, true,
             u"400 Bad Request"_s},
            {"GET /index.html HTTP/1.1\r\n" + host + "\r\n", State::Complete, 50, true,
             u"404 Not Found"_s},
        };
        for (const auto &c : cases) {
            const RequestHead head = readRequestHead(c.bytes);
            const EngineRequest request = routeRequest(head, 8080);
            const QString route = request.kind == EngineRequest::Kind::Search
                                      ? u"s "_s + request.text
                                  : request.kind == EngineRequest::Kind::Document
                                      ? u"d "_s + request.text
                                      : QString::fromLatin1(request.status);
            const QByteArray row = c.bytes.left(60);
            QVERIFY2(head.state == c.state, row.constData());
            QVERIFY2(head.size == c.size && head.keepAlive == c.keepAlive, row.constData());
            QVERIFY2(route == c.route, qPrintable(route));
        }
    }

    void pipelinedRequestsAreAnsweredInOrder()
    {
        EngineServer server(m_index);
        const quint16 port = server.start(0);
        const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(port) + "\r\n\r\n";
        // The search is answered from the thread pool, the document at once, yet in the order
        // asked; the foreign Host is refused, which ends the connection.
        const auto socket = connectAndWrite(
            port, "GET /s?wd=" + query.toUtf8().toPercentEncoding() + " HTTP/1.1\r\n" + host +
                      "GET /doc/sub/b.txt HTTP/1.1\r\n" + host +
                      "GET /doc/c.txt HTTP/1.1\r\nHost: evil.example:" + host +
                      "GET /doc/c.txt HTTP/1.1\r\n" + host);
        QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
        const auto answers = answersIn(socket->readAll());
        QCOMPARE(answers.size(), 3);
        QCOMPARE(answers[0].first, "HTTP/1.1 200 OK");
        QCOMPARE(readPage(QString::fromUtf8(answers[0].second), query).results.size(), 3);
        QVERIFY(answers[1].second.contains(u"也让人愉快"_s.toUtf8()));
        QCOMPARE(answers[2].first, "HTTP/1.1 403 Forbidden");

        // A client that asks to close gets its answer and no more.
        const auto closing =
            connectAndWrite(port, "GET /doc/c.txt HTTP/1.1\r\nConnection: close\r\n" + host +
                                      "GET /doc/c.txt HTTP/1.1\r\n" + host);
        QTRY_COMPARE(closing->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(answersIn(closing->readAll()).size(), 1);
    }

    void longRequestLineIsRefusedUnread()
    {
        EngineServer server(m_index);
        const auto socket = connectAndWrite(server.start(0), "GET /s?wd=");
        qint64 sent = 0;
        keepWriting(socket.get(), &sent);
        QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::UnconnectedState, 10000);
        QVERIFY(socket->readAll().startsWith("HTTP/1.1 414 URI Too Long\r\n"));
        QVERIFY2(sent < 1024 * 1024, QByteArray::number(sent).constData());
    }

    // Beyond the cap a client waits in the kernel's queue, and is served when another leaves.
    // Waiting, it holds nothing: what it sends stays with the kernel, and when it leaves
    // before its turn its place goes to the next.
    void connectionsBeyondTheCapWait()
    {
        EngineServer server(m_index);
        server.setMaxConnections(1);
        const quint16 port = server.start(0);
        const auto served = connectAndWrite(port, {});
        const auto leaving = connectAndWrite(port, {});
        QTest::qWait(100);
        leaving->abort();
        QTest::qWait(100);
        const auto next = connectAndWrite(port, "GET /doc/c.txt HTTP/1.1\r\nHost: 127.0.0.1:" +
                                                    QByteArray::number(port) + "\r\n\r\n");
        QTest::qWait(300);
        QCOMPARE(next->bytesAvailable(), 0);
        served->abort();
        QTRY_COMPARE(answersIn(next->peek(1 << 20)).value(0).first, "HTTP/1.1 200 OK");

        // Two at once: the second is taken from the kernel, to wait, while the first is served.
        EngineServer other(m_index);
        other.setMaxConnections(1);
        const quint16 otherPort = other.start(0);
        const auto first = connectAndWrite(otherPort, {});
        const auto streaming = connectAndWrite(otherPort, "GET /s?wd=");
        qint64 sent = 0;
        keepWriting(streaming.get(), &sent);
        QTest::qWait(2000);
        QVERIFY2(sent < 4 * 1024 * 1024, QByteArray::number(sent).constData());
    }

    void stalledClientIsClosed()
    {
        EngineServer server(m_index);
        server.setTimeout(std::chrono::milliseconds(300));
        const quint16 port = server.start(0);
        const auto socket = connectAndWrite(port, "GET /s?wd=a HTTP/1.1\r\nHo");
        QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(socket->readAll(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
