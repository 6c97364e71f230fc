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

private:
    QTemporaryDir m_dir;
};

void TestDocument::detectFormat_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<DocumentFormat>("format");

    QTest::newRow("rtf") << "{\\rtf1 x}"_ba << DocumentFormat::Rtf;
    QTest::newRow("rtf signature cut short") << "{\\rt"_ba << DocumentFormat::Text;
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
    QTest::newRow("doc") << u"chinese.doc"_s << u"p.doc"_s << DocumentFormat::Doc
                         << wordParagraphs + u"。"_s << false;
    QTest::newRow("doc named dOc") << u"chinese.doc"_s << u"p.dOc"_s << DocumentFormat::Doc
                                   << wordParagraphs + u"。"_s << false;
    // Deleted text, field codes and fallbacks stay out; the field's result and the choice stay.
    QTest::newRow("docx") << u"chinese.docx"_s << u"p.docx"_s << DocumentFormat::Docx
                          << wordParagraphs + u" 1框。"_s << false;
    QTest::newRow("docx named doc") << u"chinese.docx"_s << u"p.doc"_s << DocumentFormat::Docx
                                    << wordParagraphs + u" 1框。"_s << false;
    QTest::newRow("rtf") << u"saved.rtf"_s << u"p.rtf"_s << DocumentFormat::Rtf << u"城市\n中文"_s
                         << true;
    QTest::newRow("rtf named dOc")
        << u"saved.rtf"_s << u"p.dOc"_s << DocumentFormat::Rtf << u"城市\n中文"_s << true;
    QTest::newRow("rtf named DOC")
        << u"saved.rtf"_s << u"p.DOC"_s << DocumentFormat::Rtf << u"城市\n中文"_s << false;
    QTest::newRow("rtf named Doc")
        << u"saved.rtf"_s << u"p.Doc"_s << DocumentFormat::Rtf << u"城市\n中文"_s << false;
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

    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(::fixture(fixture));
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
