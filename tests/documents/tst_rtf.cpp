// SPDX-License-Identifier: GPL-3.0-or-later
#include "documents/rtf.h"

#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

static QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(QUARNEX_TEST_DATA) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The document as "<colour font>text" whenever the colour or font changes, blocks on lines of
// their own: the text, its colours and its fonts in one comparable string.
static QString describe(const QTextDocument &document)
{
    QString out, last;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        out += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QBrush brush = it.fragment().charFormat().foreground();
            const QString key =
                u"<%1 %2>"_s.arg(brush.style() == Qt::NoBrush ? u"auto"_s : brush.color().name(),
                                 it.fragment().charFormat().fontFamilies().toStringList().value(0));
            if (key != last)
                out += (last = key);
            out += it.fragment().text();
        }
    }
    return out.mid(1);
}

class TestRtf : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
    void roundTrip();
    void fontSizes();
    void damagedAndNonRtfInput();
};

void TestRtf::read_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    QTest::newRow("WordPad, GBK bytes")
        << fixture(u"wordpad-gbk.rtf"_s)
        << u"<#ff0000 宋体>中文<auto 宋体>论文\n<#0000ff Calibri>Hello {world}\n"_s;
    // \uc2 fallbacks, a Big5 font beside GBK ones, a field's result without its instruction,
    // pictures with hex and \bin data holding braces; the header comes after the body.
    QTest::newRow("Word, field and picture")
        << fixture(u"word-field-pict.rtf"_s)
        << u"<#008000 宋体>中文链接\n<#000000 新細明體>中文<auto 宋体>“x”\n页眉"_s;
    // The footer holds the page number, a field's result.
    QTest::newRow("Writer, Unicode and tables")
        << fixture(u"writer-unicode.rtf"_s)
        << u"<#ff0000 Liberation Serif>Café — 古<#0000ff Noto Sans CJK SC>😀<auto Liberation "
           u"Serif>\u2028a\u00A0bc\u2011d\te—–‘x’\nA1\tB1\nend•\n1"_s;

    // \uc counts a control word as one fallback character and stops at a brace.
    QTest::newRow("fallback of words")
        << "{\\rtf1\\uc2\\u20013\\emdash x!\\u25991{}y}"_ba << u"<auto >中!文y"_s;
    // Charsets without a code page of their own (1 = default) take the document's \ansicpg;
    // an unknown \ansicpg is read as windows-1252.
    QTest::newRow("ansicpg fallback")
        << "{\\rtf1\\ansicpg936{\\fonttbl{\\f0\\fcharset1 A;}}\\f0\\'d6\\'d0}"_ba
        << u"<auto A>中"_s;
    QTest::newRow("unknown ansicpg") << "{\\rtf1\\ansicpg77777\\'e9}"_ba << u"<auto >é"_s;
    // Character format belongs to its group; \plain resets it; \cf0 is automatic. The footnote
    // follows the body on a line of its own, in its own format.
    QTest::newRow("groups, plain and footnote")
        << "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\cf1 a{\\cf0 b}c{\\footnote n}\\plain d\\'}"_ba
        << u"<#010203 >a<auto >b<#010203 >c<auto >d\n<#010203 >n"_s;
    // Notes and headers, starred or not, in that order, a line each; a \ftnalt note is an
    // endnote, and comments are no text.
    QTest::newRow("stories")
        << "{\\rtf1 a{\\*\\footnote\\ftnalt e}{\\footer f}b{\\*\\footnote n1\\par\\par n2}"
           "{\\*\\annotation c}{\\footnote n3}}"_ba
        << u"<auto >ab\nn1\nn2\nn3\nf\ne"_s;
    // What cannot be a character gives U+FFFD (a number beyond ±65535, a lone surrogate, a
    // lead byte cut off); control characters give nothing (\u0, \u1, \'0d), nor does \' without
    // two hex digits, whose "4x" is plain text.
    QTest::newRow("unicode numbers") << "{\\rtf1 a\\u70000?b\\u-70000?c\\u0?d\\u1?e\\u-3913?f}"_ba
                                     << u"<auto >a\uFFFDb\uFFFDcde\uF0B7f"_s;
    QTest::newRow("surrogates")
        << "{\\rtf1 \\u-10179?\\u-8704?|\\u-10179?x|\\u-8704?|\\u-10179?\\u-10179?\\u-8704?|"
           "\\u-10179?}"_ba
        << u"<auto >😀|\uFFFDx|\uFFFD|\uFFFD😀|\uFFFD"_s;
    QTest::newRow("short and control bytes")
        << "{\\rtf1\\ansicpg936 a\\'4x\\'0d\\'09b\\'d6\\'d0\\'ce}"_ba << u"<auto >a4x\tb中\uFFFD"_s;
    // Groups beyond the depth kept are still balanced against their closing braces.
    QTest::newRow("deep nesting") << "{\\rtf1 "_ba + QByteArray(5000, '{') + 'a' +
                                         QByteArray(5000, '}') + "b}c"
                                  << u"<auto >ab"_s;
}

void TestRtf::read()
{
    QFETCH(QByteArray, rtf);
    QTextDocument document;
    QVERIFY(quarnex::readRtf(rtf, &document));
    QTEST(describe(document), "expected");
}

void TestRtf::roundTrip()
{
    // Automatic colour, braces and a backslash, an emoji, a tab, a Korean font, an empty
    // paragraph.
    QTextDocument original;
    original.setHtml(u"<p style='white-space:pre'><font color=red face=宋体>中文论文 \\{}</font>"
                     u"<font face='Times New Roman'>😀 Émoji\t</font></p><p><font color=#0080ff "
                     u"face='맑은 고딕'>第二段 {x}</font></p><p style='-qt-paragraph-type:empty'>"
                     u"<br></p><p><font color=red face=宋体>末</font></p>"_s);

    const QByteArray rtf = quarnex::writeRtf(&original);
    // Word processors need ASCII, the font's name in its charset's bytes and pairs for emoji.
    QVERIFY(std::all_of(rtf.cbegin(), rtf.cend(), [](char c) { return uchar(c) < 0x80; }));
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0"));
    QVERIFY(rtf.contains("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;"));
    QVERIFY(rtf.contains("\\u-10179?\\u-8704?"));
    QVERIFY(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;"));

    QTextDocument read;
    QVERIFY(quarnex::readRtf(rtf, &read));
    QCOMPARE(describe(read), describe(original));
}

// The editor's font size goes into the file, so that other programs show the paper at the size
// it had, and comes back when it is read.
void TestRtf::fontSizes()
{
    QTextDocument original;
    QFont songti(u"宋体"_s);
    songti.setPointSizeF(9.75);
    original.setDefaultFont(songti);
    QTextCursor cursor(&original);
    cursor.insertText(u"正文"_s);
    QTextCharFormat heading;
    heading.setFontPointSize(14);
    cursor.insertText(u"标题"_s, heading);
    const QByteArray rtf = quarnex::writeRtf(&original);
    QVERIFY2(rtf.contains("\\f0\\fs20\\cf0 \\u27491?") && rtf.contains("\\f0\\fs28\\cf0 \\u26631?"),
             rtf.constData());

    const auto sizesRead = [](const QByteArray &rtf) {
        QTextDocument read;
        QList<qreal> sizes;
        if (quarnex::readRtf(rtf, &read))
            for (auto it = read.begin().begin(); !it.atEnd(); ++it)
                sizes.append(it.fragment().charFormat().fontPointSize());
        return sizes;
    };
    QCOMPARE(sizesRead(rtf), (QList<qreal>{10, 14}));
    // \plain and sizes no word processor offers leave the document's own size.
    QCOMPARE(sizesRead("{\\rtf1\\fs21 a{\\fs0 b}\\plain c}"_ba), (QList<qreal>{10.5, 0}));
}

void TestRtf::damagedAndNonRtfInput()
{
    // Every cut of every fixture, and hostile parameters: read without crash, with no more
    // text than bytes.
    QList<QByteArray> inputs = {
        "{\\rtf1\\bin2147483647 x}", "{\\rtf1\\bin-5 x\\u-99999999999999 y\\uc-3 z}",
        "{\\rtf1{\\fonttbl{\\f99999999999\\'", "{\\rtf1\\uc999999999\\u1 abc}}}}}",
        "{\\rtf1 "_ba + QByteArray(200000, '{') + QByteArray(100, '\\')};
    for (QStringView name : {u"wordpad-gbk.rtf", u"word-field-pict.rtf", u"writer-unicode.rtf"}) {
        const QByteArray whole = fixture(name.toString());
        for (qsizetype length = 5; length < whole.size(); ++length)
            inputs += whole.first(length);
    }
    for (const QByteArray &input : std::as_const(inputs)) {
        QTextDocument document;
        QVERIFY(quarnex::readRtf(input, &document) &&
                document.characterCount() <= input.size() + 1);
    }

    // What is not RTF at all fails and leaves the document as it was.
    QTextDocument document(u"kept"_s);
    QString error;
    QVERIFY(!quarnex::readRtf("{\\rt"_ba, &document, &error) && !error.isEmpty());
    QCOMPARE(document.toPlainText(), u"kept"_s);
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
