#include "documents/plaintext.h"

#include <QTest>

using namespace Qt::StringLiterals;
using enum quarnex::TextEncoding;

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
    QTest::addColumn<quarnex::TextEncoding>("encoding");

    // Only the first mark is dropped; a second one is text.
    QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF\xEF\xBB\xBF"_ba << u"\uFEFF"_s << Utf8Bom;
    QTest::newRow("UTF-16 LE mark") << "\xFF\xFE\x2D\x4E\x0A\x00"_ba << u"中\n"_s << Utf16LeBom;
    QTest::newRow("UTF-16 BE mark") << "\xFE\xFF\x4E\x2D\x00\x0A"_ba << u"中\n"_s << Utf16BeBom;
    QTest::newRow("UTF-8") << "\xE4\xB8\xAD\xE6\x96\x87"_ba << u"中文"_s << Utf8;
    // The first pair alone is valid UTF-8 ("ΰ"); the second breaks that reading, so the whole
    // text is taken as GBK.
    QTest::newRow("UTF-8, then GBK") << "\xCE\xB0\xD6\xD0"_ba << u"伟中"_s << Gbk;
    // An overlong "/" and a sequence cut off at the end are not UTF-8, but pairs of GBK.
    QTest::newRow("overlong UTF-8") << "\xC0\xAF"_ba << u"蜡"_s << Gbk;
    QTest::newRow("truncated UTF-8") << "\xE4\xB8"_ba << u"涓"_s << Gbk;
}

void TestPlainText::decode()
{
    QFETCH(QByteArray, bytes);
    QTEST(quarnex::decodePlainText(bytes).text, "text");
    QTEST(quarnex::decodePlainText(bytes).encoding, "encoding");
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
