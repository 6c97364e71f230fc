// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/report.h"
#include "check/results.h"

#include <QRandomGenerator>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// Each character is one slot's title, "." an empty slot.
ResultSlots slotsWithTitles(const QString &letters)
{
    ResultSlots slots;
    for (QChar c : letters)
        slots.titles.append(c == u'.' ? QString() : QString(c));
    slots.urls.resize(letters.size());
    slots.counts.resize(letters.size());
    return slots;
}

QString row(const QString &url, const QString &title, const QString &count)
{
    return u"<tr><td><a href=\""_s + url + u"\" target=_blank>"_s + title +
           u"</a></td><td width=100 align=center>"_s + count + u"</td></tr>"_s;
}

const QString tableStart = u"<br><br><br><br><br><table>"_s;

// The report as first written: every slot compared with every slot, a bubble sort that
// exchanges neighbours only when the left count is smaller, rows written slot by slot.
QString literalReport(ResultSlots &s)
{
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            if (!s.titles[i].isEmpty() && s.titles[i] == s.titles[j])
                s.counts[i] = s.counts[i].value_or(0) + 1;
        }
    }
    for (qsizetype p = 0; p <= n - 2; ++p) {
        for (qsizetype k = 0; k <= n - 2 - p; ++k) {
            if (s.counts[k].value_or(0) < s.counts[k + 1].value_or(0)) {
                s.counts.swapItemsAt(k, k + 1);
                s.titles.swapItemsAt(k, k + 1);
                s.urls.swapItemsAt(k, k + 1);
            }
        }
    }
    QString html = tableStart;
    for (qsizetype i = 0; i < n; ++i) {
        const bool written =
            i == 0 || (i == 1 && s.titles[1] != s.titles[0]) ||
            (i >= 2 && s.titles[i] != s.titles[i - 1] && s.titles[i] != s.titles[i - 2]);
        if (!written)
            continue;
        QString title = s.titles[i];
        title.replace(u"<"_s, u"&lt;"_s).replace(u">"_s, u"&gt;"_s);
        QString url = s.urls[i];
        const QString lower = url.toLower();
        if (!url.isEmpty() && !lower.startsWith(u"http://"_s) && !lower.startsWith(u"https://"_s))
            url.clear();
        url.replace(u"\""_s, u"%22"_s).replace(u"<"_s, u"%3C"_s).replace(u">"_s, u"%3E"_s);
        html += row(url, title, s.counts[i] ? QString::number(*s.counts[i]) : QString());
    }
    return html + u"</table>"_s;
}

} // namespace

class TstReport final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rows();
    void pageContentCannotAddMarkup();
    void sameAsLiteralOnRandomSlots();
};

void TstReport::rows()
{
    // Nothing gathered since the analysis: one row from slot 0, empty all through.
    ResultSlots fresh = ResultSlots::forSentences(2);
    recountResults(fresh);
    QCOMPARE(reportHtml(fresh), tableStart + row({}, {}, {}) + u"</table>"_s);

    // Counting starts from clean: a second count of the ranked slots changes nothing.
    ResultSlots slots = slotsWithTitles(u"AAB..."_s);
    recountResults(slots);
    const QString once = reportHtml(slots);
    recountResults(slots);
    QCOMPARE(reportHtml(slots), once);
}

void TstReport::pageContentCannotAddMarkup()
{
    // title, address, and as written
    const std::tuple<QString, QString, QString, QString> cases[] = {
        // A script in a title.
        {u"<script>alert(1)</script>"_s, u"http://a.example/"_s,
         u"&lt;script&gt;alert(1)&lt;/script&gt;"_s, u"http://a.example/"_s},
        // Entities stay.
        {u"A &amp; B &lt;"_s, u"https://b.example/?a&amp;b"_s, u"A &amp; B &lt;"_s,
         u"https://b.example/?a&amp;b"_s},
        // A quote breaking out of href.
        {u"t"_s, u"http://c.example/\" onmouseover=\"x<>"_s, u"t"_s,
         u"http://c.example/%22 onmouseover=%22x%3C%3E"_s},
        // A javascript: address.
        {u"t"_s, u"javascript:alert(1)"_s, u"t"_s, QString()},
        // The scheme in any case.
        {u"t"_s, u"HTTPS://D.example"_s, u"t"_s, u"HTTPS://D.example"_s},
    };
    for (const auto &[title, url, safeTitle, safeUrl] : cases)
        QCOMPARE(reportHtml(ResultSlots{{title}, {url}, {1}}),
                 tableStart + row(safeUrl, safeTitle, u"1"_s) + u"</table>"_s);
}

// The ranking and the rows written as first written: a repeat right behind or two behind gets
// no row, equal counts keep their order, empty slots go last, and letter case tells titles apart.
void TstReport::sameAsLiteralOnRandomSlots()
{
    const quint32 seed = 20261206;
    QRandomGenerator random(seed);
    const QStringList titles = {
        {}, {}, {}, u"A"_s, u"B"_s, u"b"_s, u"<i>"_s, u"C&amp;"_s, u"城市绿地"_s, u"D"_s, u"E"_s};
    // The first address is empty.
    const QStringList urls = u"|http://a.example/|HTTPS://b.example/\"x\"|javascript:void(0)|"
                             u"ftp://c.example/|https://d.example/<p>"_s.split(u'|');
    // The first round has no slots at all: an empty frame.
    for (int round = 0; round < 300; ++round) {
        const qsizetype n = round == 0 ? 0 : random.bounded(1, 120);
        ResultSlots slots;
        for (qsizetype i = 0; i < n; ++i) {
            slots.titles.append(titles[random.bounded(titles.size())]);
            slots.urls.append(urls[random.bounded(urls.size())]);
        }
        slots.counts.resize(n);
        ResultSlots literal = slots;
        const QString expected = literalReport(literal);
        recountResults(slots);
        const QString context = u"seed %1, round %2"_s.arg(seed).arg(round);
        QVERIFY2(slots.titles == literal.titles && slots.urls == literal.urls &&
                     slots.counts == literal.counts && reportHtml(slots) == expected,
                 qPrintable(context));
    }
}

QTEST_APPLESS_MAIN(TstReport)
#include "tst_report.moc"
