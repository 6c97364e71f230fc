#include "comparator/comparison.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace quarnex {
char *toString(const Mark &mark)
{
    return QTest::toString(u"(%1, %2)"_s.arg(mark.start).arg(mark.length));
}
} // namespace quarnex

using namespace quarnex;

namespace {

// The comparison done the obvious way, one whole-paper search per sentence, to check the fast
// search against.
Comparison plainComparison(const QString &paper, const QString &reference)
{
    Comparison plain;
    QString text = reference;
    const QString crlf = u"\r\n"_s;
    text.replace(u","_s, u"，"_s);
    text.replace(u"，"_s, u"，"_s + crlf);
    text.replace(u"."_s, u"。"_s);
    text.replace(u"。"_s, u"。"_s + crlf);
    text.replace(u"！"_s, u"！"_s + crlf);
    text.replace(u"!"_s, u"！"_s + crlf);
    text.replace(u"？"_s, u"？"_s + crlf);
    text.replace(u"?"_s, u"？"_s + crlf);
    text.replace(u"……"_s, u"……"_s + crlf);
    text.replace(u"  "_s + crlf, crlf);
    text.replace(u" "_s + crlf, crlf);
    text.replace(u"\u3000\u3000"_s + crlf, crlf);
    text.replace(u"\u3000"_s + crlf, crlf);
    text.replace(u"\t"_s + crlf, crlf);
    for (const QString &piece : text.split(crlf)) {
        QString rest = piece;
        rest.remove(u'\u3000');
        while (rest.startsWith(u' '))
            rest.remove(0, 1);
        while (rest.endsWith(u' '))
            rest.chop(1);
        if (!rest.isEmpty())
            plain.referenceSentences.append(piece);
    }
    plain.referenceText = plain.referenceSentences.join(crlf);
    for (const QString &s : plain.referenceSentences) {
        if (s.size() <= 5 || paper.isEmpty())
            continue;
        qsizetype at = paper.indexOf(s);
        if (at < 0)
            continue;
        plain.marks.append({at, s.size()});
        plain.repeatedChars += s.size();
        while ((at = paper.indexOf(s, at + s.size())) >= 0) {
            plain.marks.append({at, s.size()});
            ++plain.extraOccurrences;
        }
        ++plain.repeatedSentences;
    }
    return plain;
}

QString repeated(QStringView unit, qsizetype times)
{
    return unit.toString().repeated(times);
}

// The Thue-Morse word of 2048 letters over 'a' and 'b', or over 'b' and 'a' when flipped. Two
// such words have the same polynomial hash modulo 2^64 whatever the odd base.
QString thueMorse(bool flipped)
{
    QString word = flipped ? u"b"_s : u"a"_s;
    while (word.size() < 2048) {
        QString complement = word;
        for (QChar &c : complement)
            c = c == u'a' ? u'b' : u'a';
        word += complement;
    }
    return word;
}

} // namespace

class TestComparison : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cutsTheReference_data();
    void cutsTheReference();
    void marksOccurrences_data();
    void marksOccurrences();
    void writesTheMessage();
    void neverTrustsTheHash_data();
    void neverTrustsTheHash();
    void staysExactOnRuns_data();
    void staysExactOnRuns();
    void agreesWithThePlainSearch();
};

void TestComparison::cutsTheReference_data()
{
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("normalised");
    QTest::addColumn<QStringList>("sentences");

    QTest::newRow("full-width marks")
        << u"今天天气很好，我们去公园。"_s << u"今天天气很好，\r\n我们去公园。\r\n"_s
        << QStringList{u"今天天气很好，"_s, u"我们去公园。"_s};
    QTest::newRow("ASCII marks become full-width")
        << u"Hello, world."_s << u"Hello，\r\n world。\r\n"_s
        << QStringList{u"Hello，"_s, u" world。"_s};
    QTest::newRow("decimal point cut")
        << u"3.14"_s << u"3。\r\n14"_s << QStringList{u"3。"_s, u"14"_s};
    QTest::newRow("mixed ASCII and full-width stops")
        << u"a。.b"_s << u"a。\r\n。\r\nb"_s << QStringList{u"a。"_s, u"。"_s, u"b"_s};
    QTest::newRow("exclamations, questions, ellipses")
        << u"好!!真的？吗?啊………"_s << u"好！\r\n！\r\n真的？\r\n吗？\r\n啊……\r\n…"_s
        << QStringList{u"好！"_s, u"！"_s, u"真的？"_s, u"吗？"_s, u"啊……"_s, u"…"_s};
    QTest::newRow("three trailing spaces vanish")
        << u"甲乙   \r\n丙"_s << u"甲乙\r\n丙"_s << QStringList{u"甲乙"_s, u"丙"_s};
    QTest::newRow("four trailing spaces leave one")
        << u"甲乙    \r\n丙"_s << u"甲乙 \r\n丙"_s << QStringList{u"甲乙 "_s, u"丙"_s};
    // Only the last blank before a break goes per step, so "\u3000 \u3000 " keeps "\u3000 ",
    // which is blank and dropped; a tab is not blank.
    QTest::newRow("blank pieces dropped, tab kept")
        << u"甲\r\n\u3000 \u3000 \r\n\t \u3000\r\n乙"_s << u"甲\r\n\u3000 \r\n\t \r\n乙"_s
        << QStringList{u"甲"_s, u"\t "_s, u"乙"_s};
    QTest::newRow("lone CR and LF stay inside a piece")
        << u"甲\r\r\n\n乙"_s << u"甲\r\r\n\n乙"_s << QStringList{u"甲\r"_s, u"\n乙"_s};
    QTest::newRow("empty") << QString() << QString() << QStringList{};
}

void TestComparison::cutsTheReference()
{
    QFETCH(QString, reference);
    QFETCH(QString, normalised);
    QFETCH(QStringList, sentences);

    QCOMPARE(normaliseReference(reference), normalised);
    QCOMPARE(cutReferenceSentences(normalised), sentences);
    const Comparison c = compareWithReference(u"x", reference);
    QCOMPARE(c.referenceSentences, sentences);
    QCOMPARE(c.referenceText, sentences.join(u"\r\n"_s));
}

void TestComparison::marksOccurrences_data()
{
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QList<Mark>>("marks");
    QTest::addColumn<qint64>("extra");      // P
    QTest::addColumn<qint64>("sentences");  // S
    QTest::addColumn<qint64>("chars");      // C
    QTest::addColumn<qint64>("share");      // X
    QTest::addColumn<qint64>("similarity"); // Y

    const QString eight = u"甲乙丙丁戊己庚。"_s;
    QTest::newRow("found three times")
        << eight + u"x"_s + eight + u"yy"_s + eight << u"前言。"_s + eight
        << QList<Mark>{{0, 8}, {9, 8}, {19, 8}} << qint64(2) << qint64(1) << qint64(8) << qint64(30)
        << qint64(73);
    QTest::newRow("back to back") << eight + eight << eight << QList<Mark>{{0, 8}, {8, 8}}
                                  << qint64(1) << qint64(1) << qint64(8) << qint64(50)
                                  << qint64(100);
    QTest::newRow("overlapping occurrences are not marked")
        << repeated(u"a", 11) << u"aaaaaa"_s << QList<Mark>{{0, 6}} << qint64(0) << qint64(1)
        << qint64(6) << qint64(55) << qint64(100);
    // 6 / 48 is 0.125, an exact half, so it goes to the even 0.12.
    QTest::newRow("half goes to even")
        << repeated(u"x", 20) + u"甲乙丙丁戊己"_s + repeated(u"y", 22)
        << u"甲乙丙丁戊己\r\n短句。"_s << QList<Mark>{{20, 6}} << qint64(0) << qint64(1)
        << qint64(6) << qint64(12) << qint64(55);
    // Both are searched in one pass; each must still skip its own overlapping occurrences.
    QTest::newRow("sentences sharing start and length")
        << u"aaaaaaaaab"_s << u"aaaaaaa\r\naaaaaab"_s << QList<Mark>{{0, 7}, {3, 7}} << qint64(0)
        << qint64(2) << qint64(14) << qint64(140) << qint64(88);
    QTest::newRow("repeated in the reference, counted twice")
        << u"甲乙丙丁戊己。"_s << u"甲乙丙丁戊己。甲乙丙丁戊己。"_s << QList<Mark>{{0, 7}, {0, 7}}
        << qint64(0) << qint64(2) << qint64(14) << qint64(200) << qint64(100);
    QTest::newRow("short sentences are not searched")
        << u"是的，好的。"_s << u"是的，好的。"_s << QList<Mark>{} << qint64(0) << qint64(0)
        << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("ASCII marks in the paper do not match")
        << u"Hello, world."_s << u"Hello, world."_s << QList<Mark>{} << qint64(0) << qint64(0)
        << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("case-sensitive") << u"ABCDEFG"_s << u"abcdefg"_s << QList<Mark>{} << qint64(0)
                                    << qint64(0) << qint64(0) << qint64(0) << qint64(0);
    // Three emoji and a stop: four characters but seven code units, so it is searched.
    QTest::newRow("surrogate pairs count as two")
        << u"x😀😀😀。"_s << u"😀😀😀。"_s << QList<Mark>{{1, 7}} << qint64(0) << qint64(1) << qint64(7)
        << qint64(88) << qint64(100);
    QTest::newRow("empty paper") << QString() << eight << QList<Mark>{} << qint64(0) << qint64(0)
                                 << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("empty reference") << eight << QString() << QList<Mark>{} << qint64(0)
                                     << qint64(0) << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("sentence longer than the paper")
        << u"甲乙丙丁戊己"_s << u"甲乙丙丁戊己庚"_s << QList<Mark>{} << qint64(0) << qint64(0)
        << qint64(0) << qint64(0) << qint64(0);
}

void TestComparison::marksOccurrences()
{
    QFETCH(QString, paper);
    QFETCH(QString, reference);

    const Comparison c = compareWithReference(paper, reference);
    QTEST(c.marks, "marks");
    QTEST(c.extraOccurrences, "extra");
    QTEST(c.repeatedSentences, "sentences");
    QTEST(c.repeatedChars, "chars");
    QTEST(percentOf(c.repeatedChars, paper.size()), "share");
    QTEST(percentOf(c.repeatedChars, reference.size()), "similarity");
}

void TestComparison::writesTheMessage()
{
    QCOMPARE(comparisonMessage(1234, 2, 1, 8, 67, 100),
             u"你的文章一共 1234 字，重复 2 段， 1 句， 8 字\r\n"
             u"        重复部分占你的文章的： 67 %\r\n"
             u"        与参考文章的相似度为： 100 %"_s);
}

void TestComparison::neverTrustsTheHash_data()
{
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QList<Mark>>("marks");

    const QString one = u"甲乙丙丁戊己"_s + thueMorse(false);
    const QString other = u"甲乙丙丁戊己"_s + thueMorse(true);
    const qsizetype n = one.size();
    QTest::newRow("colliding text is no occurrence") << other << one << QList<Mark>{};
    QTest::newRow("colliding sentences both found")
        << other + one << one + u"\r\n"_s + other << QList<Mark>{{n, n}, {0, n}};
}

void TestComparison::neverTrustsTheHash()
{
    QFETCH(QString, paper);
    QFETCH(QString, reference);
    QTEST(compareWithReference(paper, reference).marks, "marks");
}

// Runs where nearly every position starts a candidate: each all-'甲' sentence of length L
// stands at 0, L, 2L, …; with a different last character none stands anywhere.
void TestComparison::staysExactOnRuns_data()
{
    QTest::addColumn<QString>("tail");
    QTest::newRow("every candidate matches") << QString();
    QTest::newRow("no candidate matches") << u"乙"_s;
}

void TestComparison::staysExactOnRuns()
{
    QFETCH(QString, tail);
    const qsizetype paperLength = 300'000;
    const QString paper = repeated(u"甲", paperLength);
    QString reference;
    for (qsizetype length = 6; length <= 200; ++length)
        reference += repeated(u"甲", length - tail.size()) + tail + u"\r\n"_s;

    const Comparison c = compareWithReference(paper, reference);
    QList<Mark> expected;
    qint64 chars = 0;
    qint64 extra = 0;
    if (tail.isEmpty()) {
        for (qsizetype length = 6; length <= 200; ++length) {
            for (qsizetype at = 0; at + length <= paperLength; at += length)
                expected.append({at, length});
            chars += length;
            extra += paperLength / length - 1;
        }
    }
    QCOMPARE(c.marks.size(), expected.size());
    QVERIFY(c.marks == expected);
    QCOMPARE(c.repeatedChars, chars);
    QCOMPARE(c.extraOccurrences, extra);
    QCOMPARE(c.repeatedSentences, qint64(tail.isEmpty() ? 195 : 0));
}

void TestComparison::agreesWithThePlainSearch()
{
    // Few letters, so that sentences repeat, overlap and abut, and every mark and blank the
    // cutting looks for, a surrogate pair and lone CR and LF among them.
    static const QString letters = u"aaaaabbb甲甲乙"_s;
    static const QStringList marks = {u"😀"_s,      u"，"_s, u","_s,  u"。"_s,     u"."_s,   u"！"_s,
                                      u"!"_s,      u"？"_s, u"?"_s,  u"\u2026"_s, u" "_s,   u" "_s,
                                      u"\u3000"_s, u"\t"_s, u"\r"_s, u"\n"_s,     u"\r\n"_s};
    const quint32 seed = 20240611;
    QRandomGenerator random(seed);
    const auto randomText = [&](int units) {
        QString text;
        while (text.size() < units) {
            if (random.bounded(4) != 0)
                text += letters.at(random.bounded(int(letters.size())));
            else
                text += marks.at(random.bounded(int(marks.size())));
        }
        return text;
    };

    for (int round = 0; round < 500; ++round) {
        // Reused pieces make the reference hold some sentences twice.
        QStringList pieces;
        for (int i = random.bounded(6); i >= 0; --i) {
            pieces.append(!pieces.isEmpty() && random.bounded(3) == 0
                              ? pieces.at(random.bounded(int(pieces.size())))
                              : randomText(random.bounded(30)));
        }
        const QString reference = pieces.join(QString());
        const Comparison plain = plainComparison(QString(), reference);
        QString paper;
        for (int i = random.bounded(8); i > 0; --i) {
            const int kind = random.bounded(3);
            if (kind == 0 && !plain.referenceSentences.isEmpty())
                paper += plain.referenceSentences.at(
                    random.bounded(int(plain.referenceSentences.size())));
            else if (kind == 1 && !reference.isEmpty())
                paper += reference.sliced(random.bounded(int(reference.size())));
            else
                paper += randomText(random.bounded(12));
        }

        const Comparison want = plainComparison(paper, reference);
        const Comparison got = compareWithReference(paper, reference);
        const bool same = got.referenceText == want.referenceText &&
                          got.referenceSentences == want.referenceSentences &&
                          got.marks == want.marks && got.repeatedChars == want.repeatedChars &&
                          got.repeatedSentences == want.repeatedSentences &&
                          got.extraOccurrences == want.extraOccurrences;
        QVERIFY2(
            same,
            qPrintable(u"differs from the plain search: seed %1, round %2"_s.arg(seed).arg(round)));
    }
}

QTEST_APPLESS_MAIN(TestComparison)
#include "tst_comparison.moc"
