// SPDX-License-Identifier: GPL-3.0-or-later
#include "documents/document.h"
#include "zipfixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <sys/stat.h>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

Q_DECLARE_METATYPE(DocumentFormat)

static QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An .odt whose content.xml has the body given.
static QByteArray odt(const QByteArray &body)
{
    return quarnex::testing::zipOf(
        {{"mimetype", "application/vnd.oasis.opendocument.text"},
         {"content.xml",
          R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
                      xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body>
                      <office:text>)" +
              body + "</office:text></office:body></office:document-content>"}});
}

// Where fixtures are copied under the names a row tries.
static const QTemporaryDir workDir;

static QString writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(workDir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                : QString();
}

static const QString paragraphs = u"城市绿地与居民健康。\n甲\t乙\n结束。"_s;
static const QString wordBody = u"城市绿地与居民健康。\n甲\t乙\n第一行\n第二行\n单元格\n结束"_s;

class TestDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void detectFormat();
    void load_data();
    void load();
    void notesAndHeadersAgree_data();
    void notesAndHeadersAgree();
    void odtText_data();
    void odtText();
    void failure_data();
    void failure();
    void endlessStream();
};

// RTF, Word and empty files are told apart in load() below.
void TestDocument::detectFormat()
{
    QCOMPARE(quarnex::detectFormat(fixture(u"truncated.docx"_s)), DocumentFormat::Docx);
    QCOMPARE(quarnex::detectFormat(fixture(u"notword.zip"_s)), DocumentFormat::Text);
    // Cut short: the type stored first, unpacked, still says what it was meant to be.
    QCOMPARE(quarnex::detectFormat(fixture(u"comment.odt"_s).first(100)), DocumentFormat::Odt);
    QCOMPARE(quarnex::detectFormat(
                 quarnex::testing::zipOf({{"mimetype", "application/vnd.oasis.opendocument."
                                                       "spreadsheet"},
                                          {"content.xml", "<x/>"}})),
             DocumentFormat::Text);
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
    QTest::newRow("odt as p.doc") << u"comment.odt"_s << u"p.doc"_s << DocumentFormat::Odt
                                  << u"第一段正文。\n前后 空白 "_s << false;
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

    const QString path = writeFile(name, ::fixture(fixture));
    QTextDocument document(u"old"_s);
    const LoadedDocument loaded = loadDocument(path, &document);
    QVERIFY2(loaded.ok, qPrintable(loaded.error));
    QTEST(loaded.format, "format");
    QTEST(document.toPlainText(), "text");
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::NextCharacter);
    QVERIFY(cursor.charFormat().hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(cursor.charFormat().foreground().color(), rich ? QColor(Qt::red) : QColor(Qt::black));
}

// One paper written by one word processor in four formats reads the same from each: the body
// (with 𠮷 and an emoji, which catdoc writes as surrogates of three bytes each), then the
// footnotes, the header and footer, the endnote.
void TestDocument::notesAndHeadersAgree_data()
{
    QTest::addColumn<QString>("fixture");
    for (const char *name : {"notes.doc", "notes.docx", "notes.odt", "notes.rtf"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestDocument::notesAndHeadersAgree()
{
    QFETCH(QString, fixture);
    QTextDocument document;
    const LoadedDocument loaded =
        loadDocument(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + fixture, &document);
    QVERIFY2(loaded.ok, qPrintable(loaded.error));
    QCOMPARE(documentText(document),
             u"城市绿地与居民健康。\n生僻字𠮷与😀表情。\nA  B\tC\nD\n结束。\n"
             u"\t见第二章。\n\t脚注二。\n脚注二续。\n城市绿地研究\n第一页\n"
             u"\t尾注文字。"_s);
}

// content.xml as other writers may have it: white space in the XML collapses, counted spaces,
// tabs and breaks are kept, comments and note numbers are no text.
void TestDocument::odtText_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");

    QTest::newRow("white space") << "<text:p>\n  a  b\t\n c <text:s text:c=\"3\"/> "
                                    "d<text:tab/>e<text:line-break/> f</text:p>"
                                    "\n <text:h>g</text:h>"_ba
                                 << u"a b c     d\te\n f\ng"_s;
    QTest::newRow("comment, note and absurd count")
        << "<text:p>x<office:annotation><text:p>no</text:p></office:annotation>y<text:note "
           "text:note-class=\"footnote\"><text:note-citation>1</text:note-citation><text:note-body>"
           "<text:p>n</text:p></text:note-body></text:note><text:s text:c=\"2000000000\"/>|</text:p>"_ba
        << u"xy"_s + QString(1024, u' ') + u"|\n\tn"_s;
}

void TestDocument::odtText()
{
    QFETCH(QByteArray, body);
    QString text, error;
    QVERIFY2(wordText(odt(body), DocumentFormat::Odt, &text, &error), qPrintable(error));
    QTEST(text, "text");
}

// Each row: a path, part of the error; the document keeps its text.
void TestDocument::failure_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("converters"); // PATH while loading
    QTest::addColumn<QString>("error");

    const QByteArray path = qgetenv("PATH");
    const QString data = QStringLiteral(QUARNEX_TEST_DATA) + u'/';
    QTest::newRow("damaged doc") << data + u"damaged.doc"_s << path << u"无法读取这个 Word 文档"_s;
    QTest::newRow("no converter") << data + u"chinese.doc"_s << QByteArray()
                                  << u"catdoc 或 antiword"_s;
    QTest::newRow("damaged docx") << data + u"truncated.docx"_s << path << u"Word 文档已损坏"_s;
    QTest::newRow("missing") << data + u"missing"_s << path << u"读取失败："_s;
    QTest::newRow("scanned pdf") << data + u"scan.pdf"_s << path << u"没有文字层"_s;
    QTest::newRow("encrypted pdf") << data + u"encrypted.pdf"_s << path << u"PDF 文档已加密"_s;
    QTest::newRow("truncated pdf") << writeFile(u"cut.pdf"_s, fixture(u"thesis.pdf"_s).first(3000))
                                   << path << u"PDF 文档已损坏"_s;
    QTest::newRow("pdf header only")
        << writeFile(u"head.pdf"_s, "%PDF-1.5\n%\xE2\xE3\n"_ba) << path << u"PDF 文档已损坏"_s;

    // Binary content of any name is no text (what counts as binary is the decoder's to test).
    const QString notText = u"文件内容不是文本"_s;
    QTest::newRow("zip without a document") << data + u"notword.zip"_s << path << notText;

    // Only regular files, links followed.
    QTest::newRow("folder") << workDir.path() << path << u"文件夹"_s;
    const QString link = workDir.filePath(u"folder-link"_s);
    QFile::link(workDir.path(), link);
    QTest::newRow("link to a folder") << link << path << u"文件夹"_s;
    const QString fifo = workDir.filePath(u"fifo"_s);
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    QTest::newRow("pipe") << fifo << path << u"管道"_s;
    QTest::newRow("device") << u"/dev/zero"_s << path << u"设备"_s;

    // Over the limit, refused before reading: sparse files cost no disk.
    QFile text(workDir.filePath(u"large.txt"_s));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("text") && text.resize(maxTextBytes + 1));
    QTest::newRow("text over 64 MB")
        << text.fileName() << path << u"纯文本和 RTF 文件的上限 64 MB"_s;
    QFile rtf(workDir.filePath(u"large.rtf"_s));
    QVERIFY(rtf.open(QIODevice::WriteOnly) && rtf.write("{\\rtf1 ") &&
            rtf.resize(maxTextBytes + 1));
    QTest::newRow("RTF over 64 MB") << rtf.fileName() << path << u"纯文本和 RTF 文件的上限"_s;
    QFile docx(workDir.filePath(u"large.docx"_s));
    QVERIFY(docx.open(QIODevice::WriteOnly) && docx.write("PK\x03\x04") &&
            docx.resize(maxPackageBytes + 1));
    QTest::newRow("docx over 200 MB")
        << docx.fileName() << path << u"Word、OpenDocument 和 PDF 文档的上限 200 MB"_s;
}

void TestDocument::failure()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, converters);
    QFETCH(QString, error);

    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", converters);
    QTextDocument document(u"old"_s);
    const LoadedDocument loaded = loadDocument(path, &document);
    qputenv("PATH", savedPath);
    QVERIFY2(!loaded.ok && loaded.error.contains(error), qPrintable(loaded.error));
    QCOMPARE(document.toPlainText(), u"old"_s);
    // Only the missing converter lies with this machine rather than the file.
    QCOMPARE(failureMayPass(loaded.error), converters.isEmpty());
}

// Standard input that never ends is read only up to its limit, and then refused.
void TestDocument::endlessStream()
{
    QFile zeros(u"/dev/zero"_s);
    QVERIFY(zeros.open(QIODevice::ReadOnly));
    const QByteArray bytes = readBounded(&zeros);
    QCOMPARE(bytes.size(), maxTextBytes + 1);
    QString text, error;
    QVERIFY(!readDocumentText(bytes, &text).ok);
    QVERIFY(!withinSizeLimit(bytes, &error) && error.contains(u"64 MB"_s));
}

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
