// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/richedit.h"

#include <QRandomGenerator>
#include <QImage>
#include <QTest>

#include <array>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

const QColor red(Qt::red);

class TstRichEdit final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A sentence marked red stays red while it is selected, on a pale selection.
    void redShowsThroughTheSelection()
    {
        RichEdit edit;
        edit.resize(300, 80);
        edit.setText(u"甲乙丙丁戊己庚辛"_s);
        edit.setSelStart(0);
        edit.setSelLength(8);
        edit.setSelColor(red);
        edit.show();
        edit.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const QImage image = edit.viewport()->grab().toImage();
        int redPixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                redPixels += c.red() > 180 && c.green() < 90 && c.blue() < 90;
            }
        }
        QVERIFY(redPixels > 20);
    }
    // Text has every break as CR LF, and the positions map onto exactly that text.
    void text()
    {
        const QList<std::tuple<QString, bool, QString>> rows{
            {u"a\nb\rc\r\nd\r\n\re\n\r\nf\n"_s, false, u"a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\nf\r\n"_s},
            {u"a\u00A0😀"_s, false, u"a\u00A0😀"_s},
            {u"<p>一<br>二</p><p>a&nbsp;b</p>"_s, true, u"一\r\n二\r\na\u00A0b"_s},
            // The frame marks around and between table cells are breaks too, as in toPlainText().
            {u"<p>x</p><table><tr><td>a</td><td>b</td></tr></table><p>y</p>"_s, true,
             u"x\r\na\r\nb\r\n\r\ny"_s}};
        for (const auto &[input, html, text] : rows) {
            RichEdit edit;
            html ? edit.setHtml(input) : edit.setText(input);
            QCOMPARE(edit.Text(), text);
            edit.setSelStart(text.size() + 10);
            QCOMPARE(edit.SelStart(), text.size());
            edit.setSelStart(0);
            edit.setSelLength(text.size());
            QCOMPARE(edit.SelText(), text);
        }
    }

    void selection()
    {
        // Each row: start, length, and SelStart and SelText then.
        const QList<std::tuple<qsizetype, qsizetype, qsizetype, QString>> rows{
            {1, 4, 1, u"b\r\nc"_s},     // across a break
            {5, 7, 5, u"d\r\n\r\n😀"_s}, // across an empty paragraph
            {10, 50, 10, u"😀f"_s},      // the emoji counts two; clamped at the end
            {40, 3, 13, QString()},     // start beyond the end
            {-3, 1, 0, u"a"_s},         // negative start
            {3, 3, 2, u"\r\nc"_s}};     // from between CR and LF is from the break
        RichEdit edit;
        // Text positions: a0 b1 CR2 LF3 c4 d5 CR6 LF7 CR8 LF9 😀10 f12.
        edit.setText(u"ab\ncd\n\n😀f"_s);
        for (const auto &[start, length, selStart, selText] : rows) {
            edit.setSelStart(start);
            edit.setSelLength(length);
            QCOMPARE(edit.SelStart(), selStart);
            QCOMPARE(edit.SelLength(), selText.size());
            QCOMPARE(edit.SelText(), selText);
        }
        edit.setSelStart(1); // a new start drops the selection
        QCOMPARE(edit.SelLength(), 0);
    }

    // Exactly the selection turns red; CR and LF both show their break's colour.
    void setSelColorColoursExactlyTheSelection()
    {
        // Text "ab\r\ncd\r\nef". Each row: start, length, and the red positions [from, to).
        const QList<std::array<qsizetype, 4>> rows{
            {1, 4, 1, 5}, {4, 2, 4, 6}, {3, 3, 2, 5}, {7, 20, 6, 10}, {5, 0, 0, 0}};
        for (const auto &[start, length, from, to] : rows) {
            RichEdit edit;
            edit.setText(u"ab\ncd\nef"_s);
            edit.setSelStart(start);
            edit.setSelLength(length);
            edit.setSelColor(red);
            for (qsizetype i = 0; i < edit.Text().size(); ++i)
                QVERIFY2((edit.colourAt(i) == red) == (i >= from && i < to),
                         qPrintable(u"%1 from %2 at %3"_s.arg(length).arg(start).arg(i)));
        }
    }

    // Random texts full of breaks of every kind and unordered, overlapping, abutting ranges:
    // colourRanges colours every position (the breaks too) as colouring each range in turn
    // does, and leaves the selection on the last range or on the one it is given.
    void colourRangesMatchesOneByOneOnRandomTexts()
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
            RichEdit single;
            batch.setText(input);
            single.setText(input);
            const int textLength = int(batch.Text().size());
            const auto randomRange = [&] {
                return TextRange{random.bounded(-2, textLength + 3), random.bounded(0, 12)};
            };
            QList<TextRange> ranges;
            const int rangeCount = random.bounded(1, 25);
            for (int i = 0; i < rangeCount; ++i)
                ranges.append(randomRange());
            const TextRange selection = round % 2 ? randomRange() : ranges.constLast();

            round % 2 ? batch.colourRanges(ranges, red, selection)
                      : batch.colourRanges(ranges, red);
            for (const TextRange &range : ranges) {
                single.setSelStart(range.start);
                single.setSelLength(range.length);
                single.setSelColor(red);
            }
            single.setSelStart(selection.start);
            single.setSelLength(selection.length);
            for (int position = 0; position < textLength; ++position)
                QCOMPARE(batch.colourAt(position), single.colourAt(position));
            QCOMPARE(batch.SelStart(), single.SelStart());
            QCOMPARE(batch.SelLength(), single.SelLength());
        }
    }
};

QTEST_MAIN(TstRichEdit)
#include "tst_richedit.moc"
