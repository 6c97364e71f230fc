// SPDX-License-Identifier: GPL-3.0-or-later
#include "documents/plaintext.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;
using enum quarnex::TextEncoding;

static QByteArray utf16(const QString &text, bool littleEndian)
{
    QStringEncoder encoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return encoder.encode(text);
}

class TestPlainText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void codePage936PairsAreGbk();
    void cesu8_data();
    void cesu8();
    void binary_data();
    void binary();
    void crLfBreaks_data();
    void crLfBreaks();
};

void TestPlainText::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quarnex::TextEncoding>("encoding");

    // Only the first mark is dropped; a second one is text.
    QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF\xEF\xBB\xBF"_ba << u"\uFEFF"_s << Utf8Bom;
    QTest::newRow("UTF-16 LE mark") << "\xFF\xFE\x2D\x4E\x0A\x00"_ba << u"中\n"_s << Utf16LeBom;
    QTest::newRow("UTF-16 BE mark") << "\xFE\xFF\x4E\x2D\x00\x0A"_ba << u"中\n"_s << Utf16BeBom;
    QTest::newRow("lone surrogates in UTF-16")
        << "\xFF\xFE\x3D\xD8\x41\x00\x00\xDC"_ba << u"\uFFFDA\uFFFD"_s << Utf16LeBom;
    QTest::newRow("UTF-8") << "\xE4\xB8\xAD\xE6\x96\x87"_ba << u"中文"_s << Utf8;
    // The first pair alone is valid UTF-8 ("ΰ"); the second breaks that reading, so the whole
    // text is taken as code page 936.
    QTest::newRow("UTF-8, then GBK") << "\xCE\xB0\xD6\xD0"_ba << u"伟中"_s << Gb18030;
    // An overlong "/" and a sequence cut off at the end are not UTF-8, but pairs of GBK.
    QTest::newRow("overlong UTF-8") << "\xC0\xAF"_ba << u"蜡"_s << Gb18030;
    QTest::newRow("truncated UTF-8") << "\xE4\xB8"_ba << u"涓"_s << Gb18030;

    // UTF-16 without a mark, in both byte orders: Chinese alone (no NUL byte at all), ASCII
    // alone (a NUL in every other byte) and both mixed, with a character beyond U+FFFF.
    const QString chinese = u"城市绿地与居民健康的关系研究表明，绿地面积的增加能够显著改善居民的"
                            u"身心健康状况。"_s;
    const QString ascii = u"The quick brown fox jumps over the lazy dog.\r\n"_s;
    const QString mixed = u"第一章 Introduction：城市绿地（UGS）与健康 2024年𠮷。\r\n"_s;
    for (const bool le : {true, false}) {
        const auto encoding = le ? Utf16Le : Utf16Be;
        const char *order = le ? "LE" : "BE";
        QTest::addRow("UTF-16 %s, Chinese", order) << utf16(chinese, le) << chinese << encoding;
        QTest::addRow("UTF-16 %s, ASCII", order) << utf16(ascii, le) << ascii << encoding;
        QTest::addRow("UTF-16 %s, mixed", order) << utf16(mixed, le) << mixed << encoding;
    }
    // Of even length and not UTF-8, yet no UTF-16: ASCII pairs read as UTF-16 are ideographs,
    // but the same bytes read as GBK are all text.
    QTest::newRow("GBK, mostly ASCII")
        << "Only one \xD6\xD0\xCE\xC4 word here!"_ba << u"Only one 中文 word here!"_s << Gb18030;
    QTest::newRow("GBK, Chinese")
        << "\xB3\xC7\xCA\xD0\xC2\xCC\xB5\xD8\xD3\xEB\xBE\xD3\xC3\xF1\xBD\xA1\xBF\xB5\xA1\xA3\r\n"_ba
        << u"城市绿地与居民健康。\r\n"_s << Gb18030;

    // GB18030's four-byte sequences; single bytes and pairs as code page 936 (0x80 is €, A2E3
    // private use where GB18030 has € again); whatever is cut off or broken is U+FFFD, and the
    // byte after a lead byte without a valid second byte is read again.
    QTest::newRow("four bytes") << "\x95\x34\xB2\x35\x81\x30\x84\x36"_ba << u"𠮷¥"_s << Gb18030;
    QTest::newRow("code page 936") << "\x80\xA2\xE3\xD6\xD0"_ba << u"€\uE76C中"_s << Gb18030;
    QTest::newRow("lead byte at the end") << "\xD6\xD0\xCE"_ba << u"中\uFFFD"_s << Gb18030;
    QTest::newRow("cut four bytes") << "\xD6\xD0\x95\x34\xB2"_ba << u"中\uFFFD4\uFFFD"_s << Gb18030;
    QTest::newRow("bad second byte") << "\xD6\x20\xD0"_ba << u"\uFFFD \uFFFD"_s << Gb18030;
}

void TestPlainText::decode()
{
    QFETCH(QByteArray, bytes);
    const quarnex::DecodedText decoded = quarnex::decodePlainText(bytes);
    QTEST(decoded.text, "text");
    QTEST(decoded.encoding, "encoding");
}

// Four-byte sequences come from GB18030, but single bytes and pairs keep the code page 936 that
// the double-byte table of the check is built from.
void TestPlainText::codePage936PairsAreGbk()
{
    QStringDecoder gbk("GBK", QStringConverter::Flag::Stateless);
    // 0x80 and 0xFF are no lead bytes: each stands alone.
    for (const QByteArray &single : {"\x80"_ba, "\xFF"_ba})
        QCOMPARE(quarnex::decodeCodePage936(single), gbk.decode(single).operator QString());
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const QByteArray pair{char(lead), char(trail)};
            QCOMPARE(quarnex::decodeCodePage936(pair), gbk.decode(pair).operator QString());
        }
    }
}

void TestPlainText::cesu8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("pairs") << "\xED\xA1\x82\xED\xBE\xB7"
                              "a\xED\xA0\xBD\xED\xB8\x80"_ba
                           << u"𠮷a😀"_s;
    QTest::newRow("four-byte UTF-8 too") << "\xF0\xA0\xAE\xB7\xE4\xB8\xAD"_ba << u"𠮷中"_s;
    QTest::newRow("lone high") << "\xED\xA1\x82x"_ba << u"\uFFFDx"_s;
    QTest::newRow("lone low") << "x\xED\xBE\xB7"_ba << u"x\uFFFD"_s;
    QTest::newRow("two highs") << "\xED\xA1\x82\xED\xA1\x82\xED\xBE\xB7"_ba << u"\uFFFD𠮷"_s;
    // Cut off: not a surrogate, just two bytes that are no UTF-8.
    QTest::newRow("cut off") << "a\xED\xA1"_ba << u"a\uFFFD\uFFFD"_s;
}

void TestPlainText::cesu8()
{
    QFETCH(QByteArray, bytes);
    QTEST(quarnex::decodeCesu8(bytes), "text");
}

void TestPlainText::binary_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("binary");

    QByteArray random(4096, Qt::Uninitialized);
    quint32 seed = 7;
    for (char &byte : random)
        byte = char((seed = seed * 1103515245 + 12345) >> 16);
    QTest::newRow("random bytes") << random << true;
    QTest::newRow("NUL bytes") << QByteArray(1000, '\0') << true;
    QTest::newRow("one NUL in text") << "abc\0def"_ba << true;
    QTest::newRow("PNG") << "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"_ba << true;
    QTest::newRow("zip") << "PK\x03\x04readme.txt"_ba << true;
    // Mostly ASCII, which decoding alone would take for text.
    QTest::newRow("PDF") << "%PDF-1.4\n1 0 obj\n<< /Length 5 >>\nstream\n\x93\xA7x\nendstream"_ba
                         << true;
    QTest::newRow("control characters") << "text\x01\x02\x03\x04 and more"_ba << true;
    QTest::newRow("text with a tab and a form feed") << "a\tb\fc\r\n"_ba << false;
    QTest::newRow("GBK cut off inside a character") << "\xD6\xD0\xCE\xC4\xCE"_ba << false;
    QTest::newRow("UTF-16 ASCII") << utf16(u"Plain ASCII text.\r\n"_s, true) << false;
}

void TestPlainText::binary()
{
    QFETCH(QByteArray, bytes);
    QTEST(quarnex::decodePlainText(bytes).binary, "binary");
}

void TestPlainText::crLfBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    // LF, CR, CR LF and a CR at the end; then CR and CR LF, LF and CR, CR LF and CR LF.
    QTest::newRow("single breaks") << u"a\nb\rc\r\nd\r"_s << u"a\r\nb\r\nc\r\nd\r\n"_s;
    QTest::newRow("break pairs") << u"a\r\r\nb\n\rc\r\n\r\n"_s << u"a\r\n\r\nb\r\n\r\nc\r\n\r\n"_s;
}

void TestPlainText::crLfBreaks()
{
    QFETCH(QString, text);
    QTEST(quarnex::withCrLfBreaks(text), "expected");
}

QTEST_APPLESS_MAIN(TestPlainText)
#include "tst_plaintext.moc"
