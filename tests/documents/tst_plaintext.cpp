#include "documents/plaintext.h"

#include <QTest>

using namespace Qt::StringLiterals;
using quarnex::TextEncoding;

Q_DECLARE_METATYPE(quarnex::TextEncoding)

class TestPlainText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void crLfBreaks_data();
    void crLfBreaks();
};

void TestPlainText::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");

    QTest::newRow("empty") << QByteArray() << QString() << TextEncoding::Utf8;
    QTest::newRow("ascii") << "a\r\nb"_ba << u"a\r\nb"_s << TextEncoding::Utf8;
    QTest::newRow("utf-8 chinese")
        << "\xE4\xB8\xAD\xE6\x96\x87"_ba << u"中文"_s << TextEncoding::Utf8;
    QTest::newRow("utf-8 emoji") << "a\xF0\x9F\x98\x80"_ba << u"a\U0001F600"_s
                                 << TextEncoding::Utf8;
    // Only the first mark is dropped; a second one is text.
    QTest::newRow("utf-8 bom") << "\xEF\xBB\xBF\xEF\xBB\xBF\xE4\xB8\xAD"_ba << u"\uFEFF中"_s
                               << TextEncoding::Utf8Bom;
    QTest::newRow("utf-16 le bom")
        << "\xFF\xFE\x2D\x4E\x0A\x00"_ba << u"中\n"_s << TextEncoding::Utf16LeBom;
    QTest::newRow("utf-16 be bom")
        << "\xFE\xFF\x4E\x2D\x00\x0A"_ba << u"中\n"_s << TextEncoding::Utf16BeBom;
    QTest::newRow("utf-16 le odd byte")
        << "\xFF\xFE\x41\x00\x42"_ba << u"A\uFFFD"_s << TextEncoding::Utf16LeBom;
    QTest::newRow("gbk chinese") << "\xD6\xD0\xCE\xC4"_ba << u"中文"_s << TextEncoding::Gbk;
    // The first six bytes alone are valid UTF-8 ("涓枃"); the last pair breaks that reading,
    // so the whole text is taken as GBK.
    QTest::newRow("invalid utf-8 that is gbk")
        << "\xE6\xB6\x93\xE6\x9E\x83\xD6\xD0"_ba << u"娑撴瀮中"_s << TextEncoding::Gbk;
    // Overlong "/" and an encoded surrogate are not UTF-8; as GBK C0 AF and ED A0 are pairs.
    QTest::newRow("overlong utf-8") << "\xC0\xAF"_ba << u"蜡"_s << TextEncoding::Gbk;
    QTest::newRow("utf-8 surrogate") << "\xED\xA0"_ba << u"頎"_s << TextEncoding::Gbk;
    QTest::newRow("truncated utf-8") << "\xE4\xB8"_ba << u"涓"_s << TextEncoding::Gbk;
}

void TestPlainText::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);

    const quarnex::DecodedText decoded = quarnex::decodePlainText(bytes);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.encoding, encoding);
}

void TestPlainText::crLfBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("no break") << u"甲乙"_s << u"甲乙"_s;
    QTest::newRow("mixed") << u"a\nb\rc\r\n"_s << u"a\r\nb\r\nc\r\n"_s;
    QTest::newRow("cr cr lf") << u"a\r\r\nb"_s << u"a\r\n\r\nb"_s;
    QTest::newRow("lf cr") << u"a\n\rb"_s << u"a\r\n\r\nb"_s;
    QTest::newRow("lone cr at end") << u"a\r"_s << u"a\r\n"_s;
    QTest::newRow("crlf kept") << u"\r\n\r\n"_s << u"\r\n\r\n"_s;
}

void TestPlainText::crLfBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(quarnex::withCrLfBreaks(text), expected);
}

QTEST_APPLESS_MAIN(TestPlainText)
#include "tst_plaintext.moc"
