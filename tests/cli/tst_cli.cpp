#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the command line tool under the C locale, so its UTF-8 output cannot come from the
// environment.
Run runCli(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C"_s);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUARNEX_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QJsonObject jsonOf(const Run &run)
{
    return QJsonDocument::fromJson(run.out).object();
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Writes the bytes to a file of the temporary directory and gives its path.
    QString file(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return f.fileName();
    }

private Q_SLOTS:
    void analyse_data();
    void analyse();
    void query_data();
    void query();
    void score_data();
    void score();
    void report();
    void compare();
    void humanOutput_data();
    void humanOutput();
    void badInput_data();
    void badInput();
    void help();
};

void TestCli::analyse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<QStringList>("sentences");
    QTest::addColumn<int>("characters");

    const QStringList three = {u"第一句。"_s, u"第二句！"_s, u"第三句？"_s};
    QTest::newRow("stdin") << u"第一句。第二句！第三句?"_s.toUtf8() << false << three << 12;
    QTest::newRow("empty") << QByteArray() << false << QStringList() << 0;
    QTest::newRow("only blanks") << u"  \u3000\n\u3000 \r\n "_s.toUtf8() << true << QStringList()
                                 << 0;
    QTest::newRow("cr breaks") << "a\rb\r"_ba << false << QStringList{u"a"_s, u"b"_s} << 0;
    QTest::newRow("emoji") << u"好\U0001F600。"_s.toUtf8() << false
                           << QStringList{u"好\U0001F600。"_s} << 2;
    QTest::newRow("gbk file") << "\xD6\xD0\xCE\xC4\xA1\xA3"_ba << true << QStringList{u"中文。"_s}
                              << 3;
}

void TestCli::analyse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fromFile);
    QFETCH(QStringList, sentences);
    QFETCH(int, characters);

    const Run run = fromFile ? runCli({u"analyse"_s, file(u"paper.txt"_s, bytes), u"--json"_s})
                             : runCli({u"--json"_s, u"analyse"_s}, bytes);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = jsonOf(run);
    QCOMPARE(json.value(u"sentences"_s).toVariant().toStringList(), sentences);
    QCOMPARE(json.value(u"analysedText"_s).toString(), sentences.join(u"\r\n"_s));
    QCOMPARE(json.value(u"characters"_s).toInt(-1), characters);
    QCOMPARE(json.value(u"entries"_s).toArray().size(), sentences.size());
    QVERIFY(json.value(u"caption"_s).toString().startsWith(u"本文共 "_s));
}

void TestCli::query_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<QString>("url"); // null: blank, nothing sent

    QTest::newRow("default baidu") << QStringList() << u"甲乙丙。"_s << u"甲乙丙 "_s
                                   << u"https://www.baidu.com/s?wd=甲乙丙 "_s;
    QTest::newRow("own base") << QStringList{u"--search-base"_s, u"http://127.0.0.1:8080"_s}
                              << u"甲乙丙"_s << u"甲乙丙"_s
                              << u"http://127.0.0.1:8080/s?wd=甲乙丙"_s;
    QTest::newRow("zhiwang ignores the base")
        << QStringList{u"--engine"_s, u"zhiwang"_s, u"--search-base"_s, u"http://x"_s}
        << u"甲乙丙"_s << u"甲乙丙"_s
        << u"https://kns.cnki.net/kns8s/defaultresult/index?kw=甲乙丙"_s;
    QTest::newRow("longyuan, joined form")
        << QStringList{u"--engine=longyuan"_s} << u"甲"_s << u"甲"_s
        << u"http://www.qikan.com.cn/searchArticle/1.html?k=甲"_s;
    QTest::newRow("marks spaced") << QStringList() << u"第十二句，含“引号”。"_s
                                  << u"第十二句 含 引号  "_s
                                  << u"https://www.baidu.com/s?wd=第十二句 含 引号  "_s;
    QTest::newRow("U+E003 is blank") << QStringList() << u"\uE003"_s << u"\uE003"_s << QString();
}

void TestCli::query()
{
    QFETCH(QStringList, options);
    QFETCH(QString, paper);
    QFETCH(QString, searchText);
    QFETCH(QString, url);

    const Run run = runCli(QStringList{u"query"_s, u"--json"_s} + options, paper.toUtf8());
    QCOMPARE(run.exitCode, 0);
    const QJsonArray queries = jsonOf(run).value(u"queries"_s).toArray();
    QCOMPARE(queries.size(), 1);
    const QJsonObject query = queries[0].toObject();
    QCOMPARE(query.value(u"entry"_s).toString(), u"1-"_s + paper);
    QCOMPARE(query.value(u"searchText"_s).toString(), searchText);
    QCOMPARE(query.value(u"blank"_s).toBool(), url.isNull());
    QCOMPARE(query.value(u"url"_s).isNull(), url.isNull());
    QCOMPARE(query.value(u"url"_s).toString(), url);
}

void TestCli::score_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("pageTextLength");
    QTest::addColumn<QString>("highlighted");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("results");

    // Eleven results, of which only ten are read; ASCII titles keep the text measure at
    // 600 + 10 characters.
    QString page = u"<p>"_s + QString(600, u'中') + u"</p><EM>城市绿地与居民的健康</EM>"_s;
    for (int i = 1; i <= 11; ++i) {
        page += u"<div data-tools='{\"title\":\"r%1\",\"url\":\"http://r/%1\"}'>"
                u"<a class=\"c-tip-icon\">i</a></div>"_s.arg(i);
    }
    // 10 / (2 × 11 + 1200) rounds to 0.01.
    QTest::newRow("results page") << page << 610 << u"城市绿地与居民的健康"_s << 1 << 10;
    QTest::newRow("empty page") << QString() << 0 << QString() << 0 << 0;
}

void TestCli::score()
{
    QFETCH(QString, page);
    QFETCH(int, pageTextLength);
    QFETCH(QString, highlighted);
    QFETCH(int, percent);
    QFETCH(int, results);

    const Run run = runCli({u"score"_s, u"--json"_s, u"--sentence"_s, u"城市绿地与居民的健康。"_s,
                            file(u"page.html"_s, page.toUtf8())});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = jsonOf(run);
    QCOMPARE(json.value(u"pageTextLength"_s).toInt(-1), pageTextLength);
    QCOMPARE(json.value(u"highlighted"_s).toString(), highlighted);
    QCOMPARE(json.value(u"openTag"_s).toBool(), !highlighted.isEmpty());
    QCOMPARE(json.value(u"percent"_s).toInt(-1), percent);
    const QJsonArray list = json.value(u"results"_s).toArray();
    QCOMPARE(list.size(), results);
    if (results > 0) {
        QCOMPARE(list.last().toObject().value(u"title"_s).toString(), u"r10"_s);
        QCOMPARE(list.last().toObject().value(u"url"_s).toString(), u"http://r/10"_s);
    }
}

void TestCli::report()
{
    const QByteArray slots = R"({"titles": ["B", "A", "", "A"], "urls": ["u1", "u2", "", "u4"]})";
    const Run run = runCli({u"report"_s, u"--json"_s}, slots);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = jsonOf(run);
    QCOMPARE(json.value(u"titles"_s).toVariant().toStringList(),
             QStringList({u"A"_s, u"A"_s, u"B"_s, u""_s}));
    QCOMPARE(json.value(u"urls"_s).toVariant().toStringList(),
             QStringList({u"u2"_s, u"u4"_s, u"u1"_s, u""_s}));
    QCOMPARE(json.value(u"counts"_s).toArray(), QJsonArray({2, 2, 1, QJsonValue::Null}));
    // The second "A" stands right after the first and gets no row.
    const QString html = json.value(u"html"_s).toString();
    QCOMPARE(html.count(u"<tr>"_s), 3);
    QVERIFY(html.endsWith(u"</table>"_s));

    // Without --json the same HTML, byte for byte, and nothing after it; a UTF-16 file reads
    // the same.
    QCOMPARE(runCli({u"report"_s, u"-"_s}, slots).out, html.toUtf8());
    QByteArray utf16 = "\xFF\xFE"_ba;
    for (char c : slots)
        utf16.append(c).append('\0');
    QCOMPARE(runCli({u"report"_s, file(u"slots.json"_s, utf16)}).out, html.toUtf8());
}

void TestCli::compare()
{
    const QString reference = file(u"reference.txt"_s, u"今天天气很好，我们去公园。"_s.toUtf8());
    // LF in the file: positions after it count the CR LF the editor shows.
    const QByteArray paper =
        u"昨天我说：今天天气很好，我们去公园。\n他也说今天天气很好，我们去公园。"_s.toUtf8();
    const Run run = runCli({u"compare"_s, u"-"_s, reference, u"--json"_s}, paper);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = jsonOf(run);
    QCOMPARE(json.value(u"marks"_s).toArray(), QJsonArray({QJsonArray{5, 7}, QJsonArray{23, 7},
                                                           QJsonArray{12, 6}, QJsonArray{30, 6}}));
    QCOMPARE(json.value(u"paragraphs"_s).toInt(), 2);
    QCOMPARE(json.value(u"sentences"_s).toInt(), 2);
    QCOMPARE(json.value(u"characters"_s).toInt(), 13);
    QCOMPARE(json.value(u"share"_s).toInt(), 36);       // 13 of 36
    QCOMPARE(json.value(u"similarity"_s).toInt(), 100); // 13 of 13
    QCOMPARE(json.value(u"referenceSentences"_s).toArray().size(), 2);
    QVERIFY(json.value(u"message"_s)
                .toString()
                .startsWith(u"你的文章一共 36 字，重复 2 段， 2 句， 13 字\r\n"_s));
}

void TestCli::humanOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");

    QTest::newRow("analyse") << QStringList{u"analyse"_s} << u"第一句。第二句！第三句?"_s
                             << u"本文共 12 字，本次分析共分析出 3 句，请多次点击进行对比！\n"
                                u"1-第一句。\n2-第二句！\n3-第三句？\n"_s;
    QTest::newRow("query") << QStringList{u"query"_s} << u"甲。\n\uE003"_s
                           << u"1-甲。\thttps://www.baidu.com/s?wd=甲 \n"
                              u"2-\uE003\t(blank: nothing sent)\n"_s;
    QTest::newRow("report") << QStringList{u"report"_s} << uR"({"titles":[],"urls":[]})"_s
                            << u"<br><br><br><br><br><table></table>"_s;
}

void TestCli::humanOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, input);
    QFETCH(QString, output);

    const Run run = runCli(arguments, input.toUtf8());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(run.out), output);
}

void TestCli::badInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("usage");

    const QString missing = u"/nonexistent/论文.txt"_s;
    QTest::newRow("missing file") << QStringList{u"analyse"_s, missing} << QByteArray() << missing
                                  << false;
    QTest::newRow("missing reference")
        << QStringList{u"compare"_s, u"-"_s, missing} << QByteArray() << missing << false;
    QTest::newRow("malformed slots") << QStringList{u"report"_s} << "{\"titles\": [\"A\",\n ]}"_ba
                                     << u"offset 19 (line 2, column 3)"_s << false;
    QTest::newRow("unequal slots")
        << QStringList{u"report"_s} << R"({"titles": ["A"], "urls": []})"_ba << u"urls"_s << false;
    QTest::newRow("no command") << QStringList() << QByteArray() << u"command"_s << true;
    QTest::newRow("unknown command")
        << QStringList{u"check"_s} << QByteArray() << u"check"_s << true;
    QTest::newRow("unknown option")
        << QStringList{u"analyse"_s, u"--fast"_s} << QByteArray() << u"--fast"_s << true;
    QTest::newRow("option of another command")
        << QStringList{u"analyse"_s, u"--engine"_s, u"baidu"_s} << QByteArray() << u"--engine"_s
        << true;
    QTest::newRow("missing value")
        << QStringList{u"query"_s, u"--engine"_s} << QByteArray() << u"--engine"_s << true;
    QTest::newRow("bad engine") << QStringList{u"query"_s, u"--engine"_s, u"google"_s}
                                << QByteArray() << u"google"_s << true;
    QTest::newRow("extra operand")
        << QStringList{u"analyse"_s, u"a"_s, u"b"_s} << QByteArray() << u"b"_s << true;
    QTest::newRow("score without sentence")
        << QStringList{u"score"_s} << QByteArray() << u"--sentence"_s << true;
    QTest::newRow("compare one file")
        << QStringList{u"compare"_s, u"-"_s} << QByteArray() << u"operand"_s << true;
    QTest::newRow("compare stdin twice")
        << QStringList{u"compare"_s, u"-"_s, u"-"_s} << QByteArray() << u"standard input"_s << true;
}

void TestCli::badInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, message);
    QFETCH(bool, usage);

    const Run run = runCli(arguments, input);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(err.contains(u"Usage:"_s), usage);
}

void TestCli::help()
{
    for (const QStringList &arguments : {QStringList{u"--help"_s}, {u"query"_s, u"-h"_s}}) {
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("Usage: quarnex-cli"));
        QVERIFY(run.err.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
