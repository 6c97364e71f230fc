// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/pagewriter.h"
#include "version.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;

// The directory the tool runs in, where the tests write its files.
static const QTemporaryDir workDir;

static bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(workDir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

static QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the command line tool with the arguments, separated by spaces, and gives its exit code,
// output and errors; standard input is `input`, or the file `inputFile` when one is named. The
// C locale makes sure its UTF-8 does not come from the environment.
static auto runCli(const QString &arguments, const QByteArray &input = {},
                   const QString &inputFile = {})
{
    QProcess process;
    qputenv("LC_ALL", "C");
    process.setWorkingDirectory(workDir.path());
    if (!inputFile.isEmpty())
        process.setStandardInputFile(inputFile);
    process.start(QStringLiteral(QUARNEX_CLI), arguments.split(u' ', Qt::SkipEmptyParts));
    if (inputFile.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return std::tuple(-1, QByteArray(), QByteArray());
    return std::tuple(process.exitCode(), process.readAllStandardOutput(),
                      process.readAllStandardError());
}

class TestCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void json_data();
    void json();
    void humanOutput();
    void badInput_data();
    void badInput();
    void convention_data();
    void convention();
};

// Each row gives the JSON object the command prints, with every field; "..." stands for a value
// not checked here.
void TestCli::json_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("document");

    QTest::newRow("query, CR breaks from standard input, own base, blank U+E003")
        << u"query --json --search-base=http://127.0.0.1:8080"_s << u"甲。\r\uE003"_s.toUtf8()
        << R"({"queries":[{"entry":"1-甲。","searchText":"甲 ","blank":false,
                           "url":"http://127.0.0.1:8080/s?wd=甲 "},
                          {"entry":"2-\uE003","searchText":"\uE003","blank":true,"url":null}]})"_ba;
    QTest::newRow("score")
        << u"score --json --sentence 城市绿地与居民的健康。"_s
        << quarnex::ResultPageWriter(quarnex::ResultPageWriter::Form::Served)
               .text(QString(600, u'中'))
               .highlight(u"城市绿地与居民的健康")
               .result(u"r1", u"http://r/1")
               .body()
               .toUtf8()
        << R"({"pageTextLength":610,"highlighted":"城市绿地与居民的健康","openTag":true,"percent":1,
              "results":[{"title":"r1","url":"http://r/1"}]})"_ba;
    QTest::newRow("report")
        << u"report --json"_s << R"({"titles":["B","A","","A"],"urls":["u1","u2","","u4"]})"_ba
        << R"({"titles":["A","A","B",""],"urls":["u2","u4","u1",""],"counts":[2,2,1,null],
              "html":"..."})"_ba;
    // LF in the paper: positions after it count the CR LF the editor shows.
    QVERIFY(writeFile(u"reference.txt"_s, u"今天天气很好，我们去公园。"_s.toUtf8()));
    QTest::newRow("compare")
        << u"compare - reference.txt --json"_s
        << u"昨天我说：今天天气很好，我们去公园。\n他也说今天天气很好，"_s.toUtf8()
        << R"({"marks":[[5,7],[23,7],[12,6]],"paragraphs":1,"sentences":2,"characters":13,
              "share":43,"similarity":100,"message":"...","referenceSentences":"..."})"_ba;
    // Breaks come out as CR LF like everywhere else.
    QTest::newRow("text of an .odt from standard input")
        << u"text --json"_s << fixture(u"comment.odt"_s)
        << R"({"text":"第一段正文。\r\n前后 空白 ","format":"odt"})"_ba;
    // Every command reads a document as Open does, not as its bytes.
    QVERIFY(writeFile(u"paper.docx"_s, fixture(u"chinese.docx"_s)));
    QTest::newRow("analyse a .docx")
        << u"analyse --json paper.docx"_s << QByteArray()
        << R"({"analysedText":"...","caption":"...","characters":25,"entries":["1-城市绿地与居民健康。",
              "2-甲\t乙","3-第一行","4-第二行","5-单元格","6-结束 1框。"],"sentences":"..."})"_ba;
    QVERIFY(writeFile(u"notes.doc"_s, fixture(u"notes.doc"_s)));
    QVERIFY(writeFile(u"notes.rtf"_s, fixture(u"notes.rtf"_s)));
    QTest::newRow("compare a .doc with RTF")
        << u"compare --json notes.doc notes.rtf"_s << QByteArray()
        << R"({"marks":"...","paragraphs":0,"sentences":6,"characters":45,"share":55,
              "similarity":55,"message":"...","referenceSentences":"..."})"_ba;
}

void TestCli::json()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, document);

    const auto [exitCode, out, err] = runCli(arguments, input);
    QCOMPARE(exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(out).object();
    const QJsonObject expected = QJsonDocument::fromJson(document).object();
    QCOMPARE(json.keys(), expected.keys());
    for (const QString &field : expected.keys())
        if (expected[field] != u"..."_s)
            QCOMPARE(json[field], expected[field]);
}

void TestCli::humanOutput()
{
    QCOMPARE(QString::fromUtf8(std::get<1>(runCli(u"query"_s, u"甲。\n\uE003"_s.toUtf8()))),
             u"1-甲。\thttps://www.baidu.com/s?wd=甲 \n2-\uE003\t(blank: nothing sent)\n"_s);
}

// Each row gives the exit status and a part of the message: 2 for a fault of the command line,
// told in one line that points to the help; 1 for a file that cannot be read or its content.
void TestCli::badInput_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("inputFile"); // standard input, if not empty

    QVERIFY(writeFile(u"slots.json"_s, "{\"titles\": [\"A\",\n ]}"_ba));
    const QString none;
    QTest::newRow("missing file") << u"compare - 论文.txt"_s << 1 << u"cannot read '论文.txt'"_s
                                  << none;
    QTest::newRow("malformed slots")
        << u"report slots.json"_s << 1 << u"offset 19 (line 2, column 3)"_s << none;
    QTest::newRow("unknown option")
        << u"analyse --fast"_s << 2 << u"unknown option '--fast'"_s << none;
    QTest::newRow("option without its value")
        << u"query --engine"_s << 2 << u"missing value after '--engine'"_s << none;
    QTest::newRow("option of another command")
        << u"analyse --engine baidu"_s << 2 << u"--engine does not apply to analyse"_s << none;
    QTest::newRow("no command") << u"--json"_s << 2 << u"missing command"_s << none;
    QTest::newRow("compare stdin twice")
        << u"compare - -"_s << 2 << u"only one of PAPER and REFERENCE"_s << none;
    // The loader's refusals are its own to test; here only that its reason reaches the user,
    // for a file and for standard input.
    QVERIFY(writeFile(u"picture.png"_s, "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"_ba));
    QTest::newRow("binary file") << u"query picture.png"_s << 1
                                 << u"cannot read 'picture.png': 文件内容不是文本"_s << none;
    QTest::newRow("endless standard input")
        << u"analyse"_s << 1
        << u"cannot read standard input: 内容超过了纯文本和 RTF 文件的上限 64 MB"_s
        << u"/dev/zero"_s;
}

void TestCli::badInput()
{
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QString, inputFile);

    const auto [code, out, err] = runCli(arguments, {}, inputFile);
    QCOMPARE(code, exitCode);
    QVERIFY(out.isEmpty());
    QVERIFY2(err.startsWith("quarnex-cli: ") && err.contains(message.toUtf8()), err.constData());
    QCOMPARE(err.count('\n'), 1);
    QVERIFY(err.endsWith('\n'));
    QCOMPARE(err.contains("; try 'quarnex-cli --help'"), exitCode == 2);
}

// quarnex and quarnex-cli alike: help and version on standard output with status 0, a usage
// error in one line with status 2; the window's program does all of it without a display, and
// says in one line that it has none.
void TestCli::convention_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");

    const QString cli = QStringLiteral(QUARNEX_CLI);
    const QString app = QStringLiteral(QUARNEX_APP);
    const QString version = QStringLiteral(QUARNEX_VERSION);
    QTest::newRow("cli help") << cli << u"--help"_s << 0 << u"Usage: quarnex-cli COMMAND"_s
                              << QString();
    QTest::newRow("cli help wins over a fault")
        << cli << u"analyse --fast -h"_s << 0 << u"Usage: quarnex-cli"_s << QString();
    QTest::newRow("cli version") << cli << u"--version"_s << 0
                                 << u"quarnex-cli "_s + version + u'\n' << QString();
    QTest::newRow("cli unknown command")
        << cli << u"grade paper.txt"_s << 2 << QString()
        << u"quarnex-cli: unknown command 'grade'; try 'quarnex-cli --help'\n"_s;
    QTest::newRow("app help") << app << u"--help"_s << 0 << u"Usage: quarnex [options] [FILE]"_s
                              << QString();
    QTest::newRow("app version") << app << u"--version"_s << 0 << u"quarnex "_s + version + u'\n'
                                 << QString();
    QTest::newRow("app unknown option")
        << app << u"--fast"_s << 2 << QString()
        << u"quarnex: unknown option '--fast'; try 'quarnex --help'\n"_s;
    QTest::newRow("app two files")
        << app << u"a.txt b.txt"_s << 2 << QString()
        << u"quarnex: only one FILE can be opened; try 'quarnex --help'\n"_s;
    QTest::newRow("app without a display")
        << app << u"paper.txt"_s << 1 << QString()
        << u"quarnex: no display to open the window on (DISPLAY is not set); run it in a desktop "
           u"session, or under xvfb-run\n"_s;
}

void TestCli::convention()
{
    QFETCH(QString, program);
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(program, arguments.split(u' '));
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (output.isEmpty())
        QVERIFY(out.isEmpty());
    else
        QVERIFY2(output.endsWith(u'\n') ? out == output : out.startsWith(output), qPrintable(out));
    QCOMPARE(err, error);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
