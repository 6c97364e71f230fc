#include "check/codepage936.h"
#include "check/numbers.h"
#include "check/textterms.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace quarnex;

class TstTextCore final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trimming_data();
    void trimming();
    void replacementIsOnePass_data();
    void replacementIsOnePass();
    void doubleByteMembers_data();
    void doubleByteMembers();
    void doubleByteTableHasEveryPair();
    void roundingIsExact_data();
    void roundingIsExact();
    void formatting_data();
    void formatting();
};

void TstTextCore::trimming_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("both blanks") << u"\u3000 甲乙 \u3000\u3000"_s << u"甲乙"_s;
    QTest::newRow("tab stays") << u"\t甲\t"_s << u"\t甲\t"_s;
    QTest::newRow("no-break space stays") << u"\u00A0甲"_s << u"\u00A0甲"_s;
    QTest::newRow("inner blanks stay") << u" 甲 \u3000乙 "_s << u"甲 \u3000乙"_s;
    QTest::newRow("only blanks") << u" \u3000 "_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TstTextCore::trimming()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(trimBlanks(text), trimmed);
    QCOMPARE(isBlankLine(text), trimmed.isEmpty());
}

void TstTextCore::replacementIsOnePass_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("expected");
    QTest::newRow("inserted text not searched again")
        << u"a!b!"_s << u"!"_s << u"!!"_s << u"a!!b!!"_s;
    QTest::newRow("left to right without overlap") << u"     "_s << u"  "_s << u" "_s << u"   "_s;
    QTest::newRow("case-sensitive") << u"EMem"_s << u"em"_s << u"x"_s << u"EMx"_s;
    QTest::newRow("removal") << u"<EM>甲</EM>"_s << u"<EM>"_s << QString() << u"甲</EM>"_s;
    QTest::newRow("no hit") << u"甲"_s << u"乙"_s << u"丙"_s << u"甲"_s;
    QTest::newRow("empty pattern") << u"甲"_s << QString() << u"丙"_s << u"甲"_s;
}

void TstTextCore::replacementIsOnePass()
{
    QFETCH(QString, text);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, expected);
    QCOMPARE(replaceAll(text, from, to), expected);
}

void TstTextCore::doubleByteMembers_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("doubleByte");
    QTest::newRow("Chinese 中") << 0x4E2D << true;
    QTest::newRow("GBK extension 丂") << 0x4E02 << true;
    QTest::newRow("full-width comma") << 0xFF0C << true;
    QTest::newRow("full stop 。") << 0x3002 << true;
    QTest::newRow("ideographic space") << 0x3000 << true;
    QTest::newRow("ellipsis …") << 0x2026 << true;
    QTest::newRow("private use U+E000") << 0xE000 << true;
    QTest::newRow("private use U+E003") << 0xE003 << true;
    QTest::newRow("private use U+E864") << 0xE864 << true;
    QTest::newRow("private use U+E865") << 0xE865 << false;
    QTest::newRow("euro sign is the single byte 0x80") << 0x20AC << false;
    QTest::newRow("ASCII letter") << int('A') << false;
    QTest::newRow("tab") << 0x09 << false;
    QTest::newRow("no-break space") << 0xA0 << false;
    QTest::newRow("Korean syllable") << 0xAC00 << false;
    QTest::newRow("high surrogate") << 0xD83D << false;
    QTest::newRow("replacement character") << 0xFFFD << false;
}

void TstTextCore::doubleByteMembers()
{
    QFETCH(int, code);
    QFETCH(bool, doubleByte);
    QCOMPARE(isDoubleByte(QChar(char16_t(code))), doubleByte);
}

void TstTextCore::doubleByteTableHasEveryPair()
{
    qsizetype members = 0;
    for (int c = 0; c <= 0xFFFF; ++c)
        members += isDoubleByte(QChar(char16_t(c))) ? 1 : 0;
    QCOMPARE(members, 23940);
    QCOMPARE(countDoubleByte(u"Hello 世界！😀\u3000"), 4);
}

void TstTextCore::roundingIsExact_data()
{
    QTest::addColumn<qint64>("numerator");
    QTest::addColumn<qint64>("denominator");
    QTest::addColumn<qint64>("hundredths");
    QTest::newRow("1/8 tie to even down") << 1LL << 8LL << 12LL;
    QTest::newRow("3/8 tie to even up") << 3LL << 8LL << 38LL;
    QTest::newRow("25/3") << 25LL << 3LL << 833LL;
    QTest::newRow("6/48") << 6LL << 48LL << 12LL;
    QTest::newRow("19/1240") << 19LL << 1240LL << 2LL;
    QTest::newRow("100/1240") << 100LL << 1240LL << 8LL;
    // 0.285 is 0.28499… as a double: an exact tie, and 8 is even.
    QTest::newRow("57/200 tie") << 57LL << 200LL << 28LL;
    QTest::newRow("0.015 tie to 2") << 3LL << 200LL << 2LL;
    QTest::newRow("over one") << 2500LL << 1240LL << 202LL;
    QTest::newRow("negative divisor") << 8LL << -1LL << -800LL;
    QTest::newRow("negative tie") << -1LL << 8LL << -12LL;
    QTest::newRow("zero") << 0LL << 7LL << 0LL;
    QTest::newRow("product beyond 64 bits")
        << 3074457345618258602LL << 3074457345618258602LL << 100LL;
}

void TstTextCore::roundingIsExact()
{
    QFETCH(qint64, numerator);
    QFETCH(qint64, denominator);
    QFETCH(qint64, hundredths);
    QCOMPARE(roundedHundredths(numerator, denominator), hundredths);
}

void TstTextCore::formatting_data()
{
    QTest::addColumn<qint64>("hundredths");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 800LL << u"8"_s;
    QTest::newRow("one decimal") << 1250LL << u"12.5"_s;
    QTest::newRow("two decimals") << 833LL << u"8.33"_s;
    QTest::newRow("leading zero kept") << 5LL << u"0.05"_s;
    QTest::newRow("zero") << 0LL << u"0"_s;
    QTest::newRow("negative") << -150LL << u"-1.5"_s;
    QTest::newRow("large") << 1234567LL << u"12345.67"_s;
}

void TstTextCore::formatting()
{
    QFETCH(qint64, hundredths);
    QFETCH(QString, text);
    QCOMPARE(formatHundredths(hundredths), text);
    QVERIFY(!roundedHundredths(1, 0));
}

QTEST_APPLESS_MAIN(TstTextCore)
#include "tst_textcore.moc"
