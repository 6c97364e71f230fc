// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/codepage936.h"
#include "check/numbers.h"
#include "check/textterms.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace quarnex;

class TstTextCore final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trimmingAndReplacing();
    void doubleByteMembers_data();
    void doubleByteMembers();
    void rounding_data();
    void rounding();
};

void TstTextCore::trimmingAndReplacing()
{
    // Only U+0020 and U+3000 are trimmed; tabs and no-break spaces stay.
    QCOMPARE(trimBlanks(u"\u3000 \t甲 乙\u00A0 \u3000"), u"\t甲 乙\u00A0"_s);
    QVERIFY(isBlankLine(u" \u3000 ") && !isBlankLine(u" \t"));
    // One pass, left to right, without overlap; what a pass inserts is not searched again.
    QCOMPARE(replaceAll(u"a!b!"_s, u"!", u"!!"), u"a!!b!!"_s);
    QCOMPARE(replaceAll(u"     "_s, u"  ", u" "), u"   "_s);
    QCOMPARE(replaceAll(u"EMem"_s, u"em", u"x"), u"EMx"_s);
}

void TstTextCore::doubleByteMembers_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("doubleByte");
    QTest::newRow("中") << 0x4E2D << true;
    QTest::newRow("GBK extension 丂") << 0x4E02 << true;
    QTest::newRow("full-width comma") << 0xFF0C << true;
    QTest::newRow("ideographic space") << 0x3000 << true;
    QTest::newRow("ellipsis") << 0x2026 << true;
    QTest::newRow("private use U+E864, last of the range") << 0xE864 << true;
    QTest::newRow("private use U+E865") << 0xE865 << false;
    QTest::newRow("euro sign is the single byte 0x80") << 0x20AC << false;
    QTest::newRow("ASCII") << int('A') << false;
    QTest::newRow("Hangul") << 0xAC00 << false;
    QTest::newRow("surrogate") << 0xD83D << false;
}

void TstTextCore::doubleByteMembers()
{
    QFETCH(int, code);
    QFETCH(bool, doubleByte);
    QCOMPARE(isDoubleByte(QChar(char16_t(code))), doubleByte);
    if (code == 0x4E2D) {
        qsizetype members = 0;
        for (int c = 0; c <= 0xFFFF; ++c)
            members += isDoubleByte(QChar(char16_t(c))) ? 1 : 0;
        QCOMPARE(members, 23940);
        QCOMPARE(countDoubleByte(u"Hello 世界！😀\u3000"), 4);
    }
}

void TstTextCore::rounding_data()
{
    QTest::addColumn<qint64>("numerator");
    QTest::addColumn<qint64>("denominator");
    QTest::addColumn<qint64>("hundredths");
    QTest::addColumn<QString>("text");
    QTest::newRow("1/8 tie to even, down") << 1LL << 8LL << 12LL << u"0.12"_s;
    QTest::newRow("3/8 tie to even, up") << 3LL << 8LL << 38LL << u"0.38"_s;
    // 0.285 is 0.28499… as a double; exactly, it is a tie and 8 is even.
    QTest::newRow("57/200 tie") << 57LL << 200LL << 28LL << u"0.28"_s;
    QTest::newRow("25/3") << 25LL << 3LL << 833LL << u"8.33"_s;
    QTest::newRow("25/2") << 25LL << 2LL << 1250LL << u"12.5"_s;
    QTest::newRow("whole") << 16LL << 2LL << 800LL << u"8"_s;
    QTest::newRow("small") << 1LL << 20LL << 5LL << u"0.05"_s;
    QTest::newRow("negative divisor") << 3LL << -2LL << -150LL << u"-1.5"_s;
    QTest::newRow("product beyond 64 bits")
        << 3074457345618258602LL << 3074457345618258602LL << 100LL << u"1"_s;
}

void TstTextCore::rounding()
{
    QFETCH(qint64, numerator);
    QFETCH(qint64, denominator);
    QFETCH(qint64, hundredths);
    QFETCH(QString, text);
    QCOMPARE(roundedHundredths(numerator, denominator), hundredths);
    QCOMPARE(formatHundredths(hundredths), text);
    QVERIFY(!roundedHundredths(numerator, 0));
}

QTEST_APPLESS_MAIN(TstTextCore)
#include "tst_textcore.moc"
