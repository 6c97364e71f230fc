#include "platform/richedit.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>

using namespace Qt::StringLiterals;
using namespace quarnex;

Q_DECLARE_METATYPE(quarnex::TextRange)

namespace {

const QColor red(Qt::red);

// One character per Text position, so that a row shows which characters a colouring reaches:
// 'x' red, '.' black, and for CR and LF (both the colour of their one break) '=' red, '-' black.
QString colourMask(const RichEdit &edit)
{
    const QString text = edit.Text();
    QString mask;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool isRed = edit.colourAt(i) == red;
        if (text.at(i) == u'\r' || text.at(i) == u'\n')
            mask.append(isRed ? u'=' : u'-');
        else
            mask.append(isRed ? u'x' : u'.');
    }
    return mask;
}

// Each range selected and coloured in turn, the way a handler without colourRanges would.
void colourOneByOne(RichEdit &edit, const QList<TextRange> &ranges)
{
    for (const TextRange &range : ranges) {
        edit.setSelStart(range.start);
        edit.setSelLength(range.length);
        edit.setSelColor(red);
    }
}

bool everyCharacterUnderlined(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (!it.fragment().charFormat().fontUnderline())
                return false;
        }
    }
    return true;
}

} // namespace

class TstRichEdit final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void text_data();
    void text();
    void setTextStartsBlack();
    void selection_data();
    void selection();
    void colouring_data();
    void colouring();
    void colourRangesMatchesOneByOneOnRandomTexts();
};

void TstRichEdit::text_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("html");
    QTest::addColumn<QString>("text");
    QTest::newRow("LF") << u"ab\ncd\n\nef"_s << false << u"ab\r\ncd\r\n\r\nef"_s;
    QTest::newRow("CR") << u"ab\rcd"_s << false << u"ab\r\ncd"_s;
    QTest::newRow("CR LF, trailing") << u"ab\r\ncd\r\n"_s << false << u"ab\r\ncd\r\n"_s;
    QTest::newRow("mixed") << u"a\r\n\rb\n\r\nc"_s << false << u"a\r\n\r\nb\r\n\r\nc"_s;
    QTest::newRow("no-break space") << u"a\u00A0b"_s << false << u"a\u00A0b"_s;
    QTest::newRow("html paragraphs") << u"<p>一二</p><p>三</p>"_s << true << u"一二\r\n三"_s;
    QTest::newRow("html line break") << u"<p>甲<br>乙</p>"_s << true << u"甲\r\n乙"_s;
    QTest::newRow("html nbsp") << u"<p>a&nbsp;b</p>"_s << true << u"a\u00A0b"_s;
    // The frame marks around and between the cells are breaks too, as in toPlainText().
    QTest::newRow("html table") << u"<p>x</p><table><tr><td>a</td><td>b</td></tr></table><p>y</p>"_s
                                << true << u"x\r\na\r\nb\r\n\r\ny"_s;
}

void TstRichEdit::text()
{
    QFETCH(QString, input);
    QFETCH(bool, html);
    QFETCH(QString, text);
    RichEdit edit;
    if (html)
        edit.setHtml(input);
    else
        edit.setText(input);
    QCOMPARE(edit.Text(), text);
    // The mapped positions must cover exactly that text.
    edit.setSelStart(text.size() + 10);
    QCOMPARE(edit.SelStart(), text.size());
    edit.setSelStart(0);
    edit.setSelLength(text.size());
    QCOMPARE(edit.SelText(), text);
}

// Loading a paper must not inherit the colour of the text the caret stood in.
void TstRichEdit::setTextStartsBlack()
{
    RichEdit edit;
    edit.setText(u"abc"_s);
    edit.setSelLength(3);
    edit.setSelColor(red);
    edit.setSelStart(2);
    edit.setText(u"xy\nz"_s);
    QCOMPARE(colourMask(edit), u"..--."_s);
    QCOMPARE(edit.SelStart(), 0);
    edit.insertPlainText(u"w"_s);
    QCOMPARE(edit.colourAt(0), QColor(Qt::black));
    QVERIFY(edit.document()->isUndoAvailable()); // typing after a load is undoable
}

void TstRichEdit::selection_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("selStart");
    QTest::addColumn<QString>("selText");
    // Text positions: a0 b1 CR2 LF3 c4 d5 CR6 LF7 CR8 LF9 e10 f11.
    const QString abcdef = u"ab\ncd\n\nef"_s;
    QTest::newRow("first paragraph") << abcdef << 0LL << 2LL << 0LL << u"ab"_s;
    QTest::newRow("after a break") << abcdef << 4LL << 2LL << 4LL << u"cd"_s;
    QTest::newRow("spanning a break") << abcdef << 1LL << 4LL << 1LL << u"b\r\nc"_s;
    QTest::newRow("spanning an empty paragraph") << abcdef << 5LL << 6LL << 5LL << u"d\r\n\r\ne"_s;
    QTest::newRow("at the end") << abcdef << 10LL << 2LL << 10LL << u"ef"_s;
    QTest::newRow("clamped at the end") << abcdef << 10LL << 50LL << 10LL << u"ef"_s;
    QTest::newRow("start beyond the end") << abcdef << 40LL << 3LL << 12LL << QString();
    QTest::newRow("negative start") << abcdef << -3LL << 1LL << 0LL << u"a"_s;
    QTest::newRow("from between CR and LF is from the break")
        << abcdef << 3LL << 3LL << 2LL << u"\r\nc"_s;
    QTest::newRow("emoji counts two") << u"x\n😀y"_s << 3LL << 3LL << 3LL << u"😀y"_s;
    QTest::newRow("no-break space") << u"a\u00A0\nb"_s << 1LL << 4LL << 1LL << u"\u00A0\r\nb"_s;
}

void TstRichEdit::selection()
{
    QFETCH(QString, input);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, selStart);
    QFETCH(QString, selText);
    RichEdit edit;
    edit.setText(input);
    edit.setSelStart(start);
    QCOMPARE(edit.SelStart(), selStart);
    QCOMPARE(edit.SelLength(), 0);
    edit.setSelLength(length);
    QCOMPARE(edit.SelStart(), selStart);
    QCOMPARE(edit.SelLength(), selText.size());
    QCOMPARE(edit.SelText(), selText);
    QCOMPARE(edit.Text().mid(edit.SelStart(), edit.SelLength()), selText);
    // A new start drops the selection.
    edit.setSelStart(selStart);
    QCOMPARE(edit.SelLength(), 0);
}

void TstRichEdit::colouring_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<TextRange>>("ranges");
    QTest::addColumn<QString>("mask");
    // Text "ab\r\ncd\r\nef".
    const QString ab = u"ab\ncd\nef"_s;
    QTest::newRow("one character") << ab << QList<TextRange>{{4, 1}} << u"..--x.--.."_s;
    QTest::newRow("across a CR LF") << ab << QList<TextRange>{{1, 4}} << u".x==x.--.."_s;
    QTest::newRow("a whole paragraph") << ab << QList<TextRange>{{4, 2}} << u"..--xx--.."_s;
    QTest::newRow("to the text end") << ab << QList<TextRange>{{1, 20}} << u".x==xx==xx"_s;
    QTest::newRow("zero length") << ab << QList<TextRange>{{5, 0}} << u"..--..--.."_s;
    // Text "一二三\r\n四五六\r\n\r\n七八九": 一0 二1 三2 四5 五6 六7 七12 八13 九14.
    const QString han = u"一二三\n四五六\n\n七八九"_s;
    QTest::newRow("unordered") << han << QList<TextRange>{{12, 1}, {0, 1}, {6, 1}}
                               << u"x..--.x.----x.."_s;
    QTest::newRow("overlapping") << han << QList<TextRange>{{1, 6}, {5, 3}, {6, 1}}
                                 << u".xx==xxx----..."_s;
    QTest::newRow("after several breaks")
        << han << QList<TextRange>{{13, 2}, {5, 1}} << u"...--x..----.xx"_s;
    // As setSelStart(9) puts the caret before the CR at 8, the four characters are CR LF CR LF.
    QTest::newRow("starting on an LF") << han << QList<TextRange>{{9, 4}} << u"...--...====..."_s;
    QTest::newRow("beyond the end")
        << han << QList<TextRange>{{14, 9}, {30, 2}} << u"...--...----..x"_s;
}

// colourRanges and the one-by-one path colour exactly the mask, keep the other formatting and
// the text, and leave the same selection.
void TstRichEdit::colouring()
{
    QFETCH(QString, input);
    QFETCH(QList<TextRange>, ranges);
    QFETCH(QString, mask);
    RichEdit batch;
    RichEdit single;
    for (RichEdit *edit : {&batch, &single}) {
        edit->setText(input);
        QTextCharFormat underline;
        underline.setFontUnderline(true);
        QTextCursor all(edit->document());
        all.select(QTextCursor::Document);
        all.mergeCharFormat(underline);
    }
    const QString text = batch.Text();
    batch.colourRanges(ranges, red);
    colourOneByOne(single, ranges);

    for (RichEdit *edit : {&batch, &single}) {
        QCOMPARE(colourMask(*edit), mask);
        QVERIFY(everyCharacterUnderlined(*edit->document()));
        QCOMPARE(edit->Text(), text);
    }
    QCOMPARE(batch.SelStart(), single.SelStart());
    QCOMPARE(batch.SelLength(), single.SelLength());
}

// Random texts full of line breaks of every kind, compared position by position (the breaks
// too) against the one-by-one path.
void TstRichEdit::colourRangesMatchesOneByOneOnRandomTexts()
{
    QRandomGenerator random(20240611);
    const QStringList pieces{u"a"_s,  u"字"_s,   u"\u00A0"_s, u"😀"_s,
                             u"\n"_s, u"\r\n"_s, u"\r"_s,     u"\n\n"_s};
    for (int round = 0; round < 40; ++round) {
        QString input;
        const int pieceCount = random.bounded(1, 120);
        for (int i = 0; i < pieceCount; ++i)
            input += pieces.at(random.bounded(pieces.size()));
        RichEdit batch;
        batch.setText(input);
        const int textLength = int(batch.Text().size());
        QList<TextRange> ranges;
        const int rangeCount = random.bounded(1, 25);
        for (int i = 0; i < rangeCount; ++i)
            ranges.append({random.bounded(-2, textLength + 3), random.bounded(0, 12)});

        batch.colourRanges(ranges, red);
        RichEdit single;
        single.setText(input);
        colourOneByOne(single, ranges);

        for (int position = 0; position < textLength; ++position)
            QCOMPARE(batch.colourAt(position), single.colourAt(position));
        QCOMPARE(batch.SelStart(), single.SelStart());
        QCOMPARE(batch.SelLength(), single.SelLength());
    }
}

QTEST_MAIN(TstRichEdit)
#include "tst_richedit.moc"
