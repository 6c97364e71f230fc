#include "documents/document.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

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
static const QString wordParagraphs =
    u"城市绿地与居民健康。\n甲\t乙\n第一行\n第二行\n单元格\n结束"_s;

class TestDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void detectFormat_data();
    void detectFormat();
    void load_data();
    void load();
    void failure_data();
    void failure();
};

void TestDocument::detectFormat_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<DocumentFormat>("format");

    QTest::newRow("rtf") << "{\\rtf1 x}"_ba << DocumentFormat::Rtf;
    QTest::newRow("ole") << fixture(u"chinese.doc"_s) << DocumentFormat::Doc;
    QTest::newRow("docx") << fixture(u"chinese.docx"_s) << DocumentFormat::Docx;
    QTest::newRow("docx cut short") << fixture(u"truncated.docx"_s) << DocumentFormat::Docx;
    QTest::newRow("zip of something else") << fixture(u"notword.zip"_s) << DocumentFormat::Text;
    QTest::newRow("empty") << QByteArray() << DocumentFormat::Text;
}

void TestDocument::detectFormat()
{
    QFETCH(QByteArray, bytes);
    QFETCH(DocumentFormat, format);
    QCOMPARE(quarnex::detectFormat(bytes), format);
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
            << u"chinese.doc"_s << name << DocumentFormat::Doc << wordParagraphs + u"。"_s << false;
        // Deleted text, field codes and fallbacks stay out; a field's result and a choice stay.
        QTest::addRow("docx as %s", qPrintable(name))
            << u"chinese.docx"_s << name << DocumentFormat::Docx << wordParagraphs + u" 1框。"_s
            << false;
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
    QFETCH(DocumentFormat, format);
    QFETCH(QString, text);
    QFETCH(bool, rich);

    const QString path = workDir.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(::fixture(fixture)) >= 0);
    file.close();

    QTextDocument document;
    document.setPlainText(u"old"_s);
    const LoadedDocument loaded = loadDocument(path, &document);
    QVERIFY2(loaded.ok, qPrintable(loaded.error));
    QCOMPARE(loaded.format, format);
    QCOMPARE(document.toPlainText(), text);
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::NextCharacter);
    QVERIFY(cursor.charFormat().hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(cursor.charFormat().foreground().color(), rich ? QColor(Qt::red) : QColor(Qt::black));
}

void TestDocument::failure_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("error");

    QTest::newRow("damaged doc") << u"damaged.doc"_s << qgetenv("PATH") << u"cannot be read"_s;
    QTest::newRow("no converter") << u"chinese.doc"_s << QByteArray() << u"catdoc or antiword"_s;
    QTest::newRow("docx cut short") << u"truncated.docx"_s << qgetenv("PATH") << u"damaged"_s;
    QTest::newRow("missing file") << u"missing"_s << qgetenv("PATH") << QString();
}

void TestDocument::failure()
{
    QFETCH(QString, fixture);
    QFETCH(QByteArray, path);
    QFETCH(QString, error);

    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", path);
    QTextDocument document;
    document.setPlainText(u"old"_s);
    const LoadedDocument loaded =
        loadDocument(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + fixture, &document);
    qputenv("PATH", oldPath);
    QVERIFY(!loaded.ok);
    QVERIFY2(loaded.error.contains(error), qPrintable(loaded.error));
    QCOMPARE(document.toPlainText(), u"old"_s);
}

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
