#include "documents/document.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

Q_DECLARE_METATYPE(DocumentFormat)

static QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Where fixtures are copied under the names a row tries.
static const QTemporaryDir workDir;

static const QString paragraphs = u"城市绿地与居民健康。\n甲\t乙\n结束。"_s;
static const QString wordBody = u"城市绿地与居民健康。\n甲\t乙\n第一行\n第二行\n单元格\n结束"_s;

class TestDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void detectFormat();
    void load_data();
    void load();
    void failure();
};

// RTF, Word and empty files are told apart in load() below.
void TestDocument::detectFormat()
{
    QCOMPARE(quarnex::detectFormat(fixture(u"truncated.docx"_s)), DocumentFormat::Docx);
    QCOMPARE(quarnex::detectFormat(fixture(u"notword.zip"_s)), DocumentFormat::Text);
}

// Each row copies a fixture under a name and loads it; rich rows keep the red of the RTF, all
// others are plain text in black.
void TestDocument::load_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("name");
    QTest::addColumn<DocumentFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rich");

    const auto text = DocumentFormat::Text;
    for (const QString &encoding : {u"utf8"_s, u"utf8-bom"_s, u"utf16le"_s, u"utf16be"_s, u"gbk"_s})
        QTest::newRow(qPrintable(encoding))
            << encoding + u".txt"_s << u"p.txt"_s << text << paragraphs << false;
    QTest::newRow("gbk named DOC") << u"gbk.txt"_s << u"p.DOC"_s << text << paragraphs << false;
    for (const QString &name : {u"p.doc"_s, u"p.dOc"_s, u"p.docx"_s}) {
        QTest::addRow("doc as %s", qPrintable(name))
            << u"chinese.doc"_s << name << DocumentFormat::Doc << wordBody + u"。"_s << false;
        // Deleted text, field codes and fallbacks stay out; a field's result and a choice stay.
        QTest::addRow("docx as %s", qPrintable(name))
            << u"chinese.docx"_s << name << DocumentFormat::Docx << wordBody + u" 1框。"_s << false;
    }
    // Only names ending exactly in doc, DOC or Doc take the plain-text path.
    for (const QString &name : {u"p.rtf"_s, u"p.dOc"_s, u"p.DOC"_s, u"p.Doc"_s})
        QTest::addRow("rtf as %s", qPrintable(name))
            << u"saved.rtf"_s << name << DocumentFormat::Rtf << u"城市\n中文"_s
            << (name == u"p.rtf"_s || name == u"p.dOc"_s);
    // No such fixture: a file of 0 bytes.
    QTest::newRow("empty") << u"none"_s << u"empty.doc"_s << text << QString() << false;
}

void TestDocument::load()
{
    QFETCH(QString, fixture);
    QFETCH(QString, name);
    QFETCH(bool, rich);

    QFile file(workDir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(::fixture(fixture)) >= 0);
    file.close();
    QTextDocument document(u"old"_s);
    const LoadedDocument loaded = loadDocument(file.fileName(), &document);
    QVERIFY2(loaded.ok, qPrintable(loaded.error));
    QTEST(loaded.format, "format");
    QTEST(document.toPlainText(), "text");
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::NextCharacter);
    QVERIFY(cursor.charFormat().hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(cursor.charFormat().foreground().color(), rich ? QColor(Qt::red) : QColor(Qt::black));
}

void TestDocument::failure()
{
    // fixture, PATH, part of the error; the document keeps its text
    const QByteArray path = qgetenv("PATH");
    const std::tuple<QString, QByteArray, QString> cases[] = {
        {u"damaged.doc"_s, path, u"cannot be read"_s},
        {u"chinese.doc"_s, QByteArray(), u"catdoc or antiword"_s},
        {u"truncated.docx"_s, path, u"damaged"_s},
        {u"missing"_s, path, QString()},
    };
    for (const auto &[name, converters, error] : cases) {
        qputenv("PATH", converters);
        QTextDocument document(u"old"_s);
        const LoadedDocument loaded =
            loadDocument(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + name, &document);
        qputenv("PATH", path);
        QVERIFY2(!loaded.ok && loaded.error.contains(error), qPrintable(loaded.error));
        QCOMPARE(document.toPlainText(), u"old"_s);
    }
}

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
