// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparator/comparison.h"

#include <QHash>
#include <QRandomGenerator>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

// The comparison done the obvious way, to check the fast search against: each replacement is
// one pass over the whole text, each sentence one search after another over the whole paper.
static Comparison plainComparison(const QString &paper, QString reference)
{
    // Each text and what replaces it, in order.
    static const QStringList steps =
        u",|，|，|，\r\n|.|。|。|。\r\n|！|！\r\n|!|！\r\n|？|？\r\n|?|？\r\n|……|……\r\n|"
        u"  \r\n|\r\n| \r\n|\r\n|\u3000\u3000\r\n|\r\n|\u3000\r\n|\r\n|\t\r\n|\r\n"_s.split(u'|');
    for (qsizetype i = 0; i < steps.size(); i += 2)
        reference.replace(steps[i], steps[i + 1]);
    Comparison plain;
    for (const QString &piece : reference.split(u"\r\n"_s))
        if (!QString(piece).remove(u'\u3000').remove(u' ').isEmpty())
            plain.referenceSentences.append(piece);
    plain.referenceText = plain.referenceSentences.join(u"\r\n"_s);
    // A sentence met again counts again, with the occurrences found the first time; only its
    // marks are not added twice.
    QHash<QString, QList<qsizetype>> searched;
    for (const QString &s : plain.referenceSentences) {
        if (!searched.contains(s)) {
            QList<qsizetype> &found = searched[s];
            for (qsizetype at = s.size() < 6 ? -1 : paper.indexOf(s); at >= 0;
                 at = paper.indexOf(s, at + s.size())) {
                found.append(at);
                plain.marks.append({at, s.size()});
            }
        }
        const QList<qsizetype> &found = searched[s];
        if (found.isEmpty())
            continue;
        plain.repeatedChars += s.size();
        plain.repeatedSentences += 1;
        plain.extraOccurrences += found.size() - 1;
        plain.lastMarked = {found.last(), s.size()};
    }
    return plain;
}

class TestComparison : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cutsAndMarks_data();
    void cutsAndMarks();
    void writesTheMessage();
    void agreesWithThePlainSearch();
};

// Worked examples; how every mark and blank cuts, and every search, is checked against the
// plain search below. Each row gives the reference sentences, joined by '/', then the marks as
// start+length, then P, S, C and X, the share of the paper, and where the selection ends.
void TestComparison::cutsAndMarks_data()
{
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("found");

    const QString park = u"今天天气很好，我们去公园。"_s;
    const QString six = u"甲乙丙丁戊己"_s;
    const QString eight = u"甲乙丙丁戊己庚。"_s;
    QTest::newRow("full-width marks; six characters are searched")
        << park << park << u"今天天气很好，/我们去公园。 0+7 7+6 P0 S2 C13 X100 @7+6"_s;
    QTest::newRow("found three times, twice back to back")
        << eight + eight + u"yy"_s + eight << u"前言。"_s + eight
        << u"前言。/甲乙丙丁戊己庚。 0+8 8+8 18+8 P2 S1 C8 X31 @18+8"_s;
    // 6 / 48 is 0.125, an exact half, so it goes to the even 0.12.
    QTest::newRow("48-character paper") << QString(20, u'x') + six + QString(22, u'y') << six
                                        << u"甲乙丙丁戊己 20+6 P0 S1 C6 X12 @20+6"_s;
    // A found twice and counted for both its places in the reference, marked once; the
    // selection ends on A, which the reference names last.
    const QString twice = eight + u"子丑寅卯辰巳。"_s + eight;
    QTest::newRow("a sentence twice in the reference")
        << twice << twice
        << u"甲乙丙丁戊己庚。/子丑寅卯辰巳。/甲乙丙丁戊己庚。 0+8 15+8 8+7 P2 S3 C23 X100 @15+8"_s;
    // No share of an empty paper, rather than a division by nothing.
    QTest::newRow("empty paper") << QString() << eight << u"甲乙丙丁戊己庚。 P0 S0 C0 X0 @0+0"_s;
}

void TestComparison::cutsAndMarks()
{
    QFETCH(QString, paper);
    QFETCH(QString, reference);
    const Comparison c = compareWithReference(paper, reference);
    QString found = c.referenceSentences.join(u'/');
    for (const Mark &mark : c.marks)
        found += u" %1+%2"_s.arg(mark.start).arg(mark.length);
    found += QString::asprintf(" P%lld S%lld C%lld X%lld", c.extraOccurrences, c.repeatedSentences,
                               c.repeatedChars, percentOf(c.repeatedChars, paper.size()));
    found += u" @%1+%2"_s.arg(c.lastMarked.start).arg(c.lastMarked.length);
    QTEST(found, "found");
}

void TestComparison::writesTheMessage()
{
    QCOMPARE(comparisonMessage(1234, 2, 1, 8, 67, 100),
             u"你的文章一共 1234 字，重复 2 段， 1 句， 8 字\r\n"
             u"        重复部分占你的文章的： 67 %\r\n"
             u"        与参考文章的相似度为： 100 %"_s);
}

void TestComparison::agreesWithThePlainSearch()
{
    // Text made to defeat the fast search first. The Thue-Morse word t and its complement have
    // the same polynomial hash modulo 2^64 whatever the odd base, so t + complement and t + t
    // do too, and as they share their first characters they are compared. In the long run every
    // position is a candidate and each sentence stands back to back with itself.
    QString word = u"a"_s, flipped = u"b"_s, run;
    while (word.size() < 2048)
        std::tie(word, flipped) = std::pair(word + flipped, flipped + word);
    const QString one = word + flipped, other = word + word;
    for (qsizetype length = 6; length <= 200; ++length)
        run += QString(length, u'甲') + u"\r\n"_s;
    // So many lengths of one start that the sentences are first sifted for those in the paper:
    // some stand there once, some everywhere, some nowhere.
    QString sifted;
    for (qsizetype length = 6; length <= 150; ++length) {
        const QString as(length - 1, u'a');
        sifted += as + u"a\r\n"_s + as + u"b\r\n"_s + u'b' + as + u"\r\n"_s + as + u"c\r\n"_s;
    }
    // One sentence thousands of times on both sides: n marks, where marking it again for each
    // of its places in the reference would make n × n.
    const QString repeated = u"城市绿地让居民的生活更加健康和愉快。"_s.repeated(3000);
    QList<std::pair<QString, QString>> cases = {
        {other, one},
        {other + one, one + u"\r\n"_s + other},
        {QString(300'000, u'甲'), run},
        {repeated, repeated},
        {QString(2000, u'a') + u'b' + QString(2000, u'a'), sifted}};

    // Then random text: few letters, so that sentences repeat, overlap, abut and share their
    // start, and every mark and blank the cutting looks for, a surrogate pair, lone CR and LF.
    static const QString letters = u"aaaaabbb甲甲乙"_s;
    static const QStringList marks =
        u"😀|，|,|。|.|！|!|？|?|…| |  |\t|\u3000|\u3000\u3000|\r|\n|\r\n"_s.split(u'|');
    QRandomGenerator random(20240611);
    const auto pick = [&](const auto &list) { return list.at(random.bounded(int(list.size()))); };
    const auto randomText = [&](int most) {
        QString text;
        for (int i = random.bounded(most); i > 0; --i)
            text += random.bounded(4) != 0 ? QString(pick(letters)) : pick(marks);
        return text;
    };
    for (int round = 0; round < 500; ++round) {
        // Repeating a tail makes the reference hold some sentences twice.
        QString reference = randomText(80);
        reference += reference.sliced(random.bounded(int(reference.size()) + 1));
        // The paper: random text, each piece followed by a whole reference sentence or nothing.
        const QStringList pieces = plainComparison({}, reference).referenceSentences << QString();
        QString paper;
        for (int i = random.bounded(8); i > 0; --i)
            paper += randomText(8) + pick(pieces);
        cases.append({paper, reference});
    }

    const auto fields = [](const Comparison &c) {
        return std::tie(c.referenceText, c.referenceSentences, c.marks, c.lastMarked,
                        c.repeatedChars, c.repeatedSentences, c.extraOccurrences);
    };
    for (const auto &[paper, reference] : cases)
        QVERIFY2(fields(compareWithReference(paper, reference)) ==
                     fields(plainComparison(paper, reference)),
                 qPrintable(u"reference: "_s + reference));
}

QTEST_APPLESS_MAIN(TestComparison)
#include "tst_comparison.moc"
