// SPDX-License-Identifier: GPL-3.0-or-later
#include "documents/document.h"
#include "documents/pdf.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quarnex;

using Pages = QList<PdfPage>;
Q_DECLARE_METATYPE(Pages)
Q_DECLARE_METATYPE(QList<PdfWord>)

// A line of an A5 page set in 11 pt type, 17.6 pt from one line to the next: on text row
// `row`, `indent` from the left margin, `width` long (a full line by default).
static PdfLine row(const QString &text, double row, double indent = 0, double width = 306,
                   double height = 11)
{
    return {text, QRectF(57 + indent, 60 + row * 17.6, width - indent, height)};
}

static PdfLine at(const QString &text, double y)
{
    return {text, QRectF(200, y, 20, 11)};
}

// The words of one line of 11 pt type, side by side: "a b" has a space after a, "a|b" has none,
// and "^a" is a note mark raised in 8 pt type.
static QList<PdfWord> words(const QString &line)
{
    static const QRegularExpression word(u"(\\^?)([^ |]+)([ |]?)"_s);
    QList<PdfWord> words;
    for (const QRegularExpressionMatch &match : word.globalMatch(line)) {
        const double size = match.captured(1).isEmpty() ? 11 : 8, x = 100 + 11 * words.size();
        words.append({match.captured(2), QRectF(x, size == 11 ? 100 : 98, size, size),
                      match.captured(3) == u" "_s});
    }
    return words;
}

static PdfPage page(QList<PdfLine> lines)
{
    return {QSizeF(420, 595), std::move(lines)};
}

class TestPdf : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lines_data();
    void lines();
    void pageText_data();
    void pageText();
    void thesis();
};

void TestPdf::lines_data()
{
    QTest::addColumn<QList<PdfWord>>("words");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("raised note marks dropped")
        << words(u"关系|^1 。|word|^† next"_s) << QStringList{u"关系。word next"_s};
    QTest::newRow("spaces kept except between CJK")
        << words(u"1 引言 城市 green space"_s) << QStringList{u"1 引言城市 green space"_s};
    QTest::newRow("a new line where a word goes back left or down")
        << QList<PdfWord>{{u"甲"_s, QRectF(300, 60, 11, 11), false},
                          {u"乙"_s, QRectF(57, 77, 11, 11), false},
                          {u"丙"_s, QRectF(68, 95, 11, 11), false}}
        << QStringList{u"甲"_s, u"乙"_s, u"丙"_s};
}

void TestPdf::lines()
{
    QFETCH(QList<PdfWord>, words);
    QStringList texts;
    for (const PdfLine &line : pdfLines(words))
        texts.append(line.text);
    QTEST(texts, "lines");
}

void TestPdf::pageText_data()
{
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<QString>("text");

    QTest::newRow("lines of a paragraph joined")
        << Pages{page({row(u"城市绿地是生态"_s, 0, 22), row(u"系统的一部分。"_s, 1),
                       row(u"The green space fol-"_s, 2), row(u"lows the city-"_s, 3),
                       row(u"Planning rules of"_s, 4), row(u"城市。"_s, 5, 0, 40)})}
        << u"城市绿地是生态系统的一部分。The green space follows the city-Planning rules of"
           u"城市。"_s;
    QTest::newRow("paragraphs end at an indent, a gap, another type size")
        << Pages{page({row(u"1 引言"_s, 0, 120, 60, 14), row(u"第一段。"_s, 1, 22, 100),
                       row(u"第二段开头"_s, 2, 22), row(u"接着。"_s, 3, 0, 60), row(u"第三段"_s, 5),
                       row(u"小字的图注"_s, 6, 0, 306, 8)})}
        << u"1 引言\n第一段。\n第二段开头接着。\n第三段\n小字的图注"_s;
    QTest::newRow("across pages unless indented or ended short")
        << Pages{page({row(u"跨页的段落"_s, 0, 22), row(u"接着"_s, 1)}),
                 page({row(u"写完。"_s, 0, 0, 100)}), page({row(u"下一段"_s, 0, 0, 100)}),
                 page({row(u"再下一段"_s, 0, 22)})}
        << u"跨页的段落接着写完。\n下一段\n再下一段"_s;
    // Page numbers of any form; a header text on one page only is the page's own.
    QTest::newRow("running headers and page numbers left out")
        << Pages{page({at(u"城市绿地研究"_s, 20), row(u"正文一。"_s, 0, 22, 100), at(u"1"_s, 560)}),
                 page({at(u"只在这一页"_s, 20), row(u"正文二。"_s, 0, 22, 100),
                       at(u"- 2 -"_s, 560)}),
                 page({at(u"城市绿地研究"_s, 21), row(u"正文三。"_s, 0, 22, 100),
                       at(u"第 3 页"_s, 559)})}
        << u"正文一。\n只在这一页\n正文二。\n正文三。"_s;
    QTest::newRow("footnotes after the body")
        << Pages{page({row(u"正文第一行"_s, 0, 22),
                       {u"这是脚注。"_s, QRectF(72, 500, 150, 8)},
                       at(u"1"_s, 560)}),
                 page({row(u"继续。"_s, 0, 0, 100),
                       row(u"第二段。"_s, 1, 22, 100),
                       {u"另一个脚注。"_s, QRectF(72, 500, 150, 8)},
                       at(u"2"_s, 560)})}
        << u"正文第一行继续。\n第二段。\n这是脚注。\n另一个脚注。"_s;
    QTest::newRow("the number of a single page left out")
        << Pages{page({row(u"只有一页。"_s, 0, 22, 100), at(u"3"_s, 560)})} << u"只有一页。"_s;
}

void TestPdf::pageText()
{
    QFETCH(Pages, pages);
    QTEST(pdfPageText(pages), "text");
}

static QString fixtureText(const QString &name)
{
    QFile file(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The paragraphs the thesis's source holds, headings numbered as they are set, footnotes after
// them.
static QString sourceText(const QString &tex)
{
    const qsizetype begin = tex.indexOf(u"\\begin{document}"_s);
    const QString body = tex.sliced(begin + 16, tex.indexOf(u"\\end{document}"_s) - begin - 16);
    static const QRegularExpression footnote(u"\\\\footnote\\{([^}]*)\\}"_s);
    static const QRegularExpression section(u"^\\\\section\\{(.*)\\}$"_s);
    QStringList paragraphs, notes;
    int sections = 0;
    for (const QString &block : body.split(u"\n\n"_s)) {
        QString text = block.trimmed();
        if (text.isEmpty())
            continue;
        for (const QRegularExpressionMatch &match : footnote.globalMatch(text))
            notes.append(match.captured(1));
        text.remove(footnote);
        const QRegularExpressionMatch heading = section.match(text.section(u'\n', 0, 0));
        if (heading.hasMatch()) {
            paragraphs.append(QString::number(++sections) + u' ' + heading.captured(1));
            text = text.section(u'\n', 1);
        }
        if (!text.isEmpty())
            paragraphs.append(text);
    }
    return (paragraphs + notes).join(u'\n');
}

// What XeLaTeX sets over two pages: a running header, page numbers, headings, a footnote, a
// hyphenated English word and a paragraph across the page break.
void TestPdf::thesis()
{
    QFile file(QStringLiteral(QUARNEX_TEST_DATA) + u"/thesis.pdf"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString text;
    const LoadedDocument loaded = readDocumentText(file.readAll(), &text);
    QVERIFY2(loaded.ok, qPrintable(loaded.error));
    QCOMPARE(loaded.format, DocumentFormat::Pdf);
    const QString source = sourceText(fixtureText(u"thesis.tex"_s));
    QCOMPARE(text.split(u'\n'), source.split(u'\n'));
}

QTEST_GUILESS_MAIN(TestPdf)
#include "tst_pdf.moc"
