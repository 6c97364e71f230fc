#include "report.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace quarnex {
using namespace Qt::StringLiterals;

void recountResults(ResultSlots &slots)
{
    const qsizetype n = slots.size();
    QHash<QStringView, qint64> tally;
    tally.reserve(n);
    for (const QString &title : std::as_const(slots.titles)) {
        if (!title.isEmpty())
            ++tally[title];
    }
    for (qsizetype i = 0; i < n; ++i) {
        const QString &title = slots.titles[i];
        slots.counts[i] = title.isEmpty() ? std::nullopt : std::optional(tally.value(title));
    }

    QList<qsizetype> order(n);
    std::iota(order.begin(), order.end(), 0);
    const auto rank = [&slots](qsizetype i) { return slots.counts[i].value_or(0); };
    std::stable_sort(order.begin(), order.end(),
                     [&rank](qsizetype a, qsizetype b) { return rank(a) > rank(b); });

    ResultSlots sorted;
    sorted.titles.reserve(n);
    sorted.urls.reserve(n);
    sorted.counts.reserve(n);
    for (qsizetype i : std::as_const(order)) {
        sorted.titles.append(slots.titles[i]);
        sorted.urls.append(slots.urls[i]);
        sorted.counts.append(slots.counts[i]);
    }
    slots = std::move(sorted);
}

QString reportTitle(QStringView title)
{
    QString safe;
    safe.reserve(title.size());
    for (QChar c : title) {
        if (c == u'<')
            safe += u"&lt;";
        else if (c == u'>')
            safe += u"&gt;";
        else
            safe += c;
    }
    return safe;
}

QString reportUrl(QStringView url)
{
    if (!url.isEmpty() && !url.startsWith(u"http://", Qt::CaseInsensitive) &&
        !url.startsWith(u"https://", Qt::CaseInsensitive))
        return {};
    QString safe;
    safe.reserve(url.size());
    for (QChar c : url) {
        if (c == u'"')
            safe += u"%22";
        else if (c == u'<')
            safe += u"%3C";
        else if (c == u'>')
            safe += u"%3E";
        else
            safe += c;
    }
    return safe;
}

QString reportHtml(const ResultSlots &slots)
{
    QString html = u"<br><br><br><br><br><table>"_s;
    const auto &titles = slots.titles;
    for (qsizetype i = 0; i < slots.size(); ++i) {
        // A repeated title is left out only when it stands within the two places before.
        if ((i >= 1 && titles[i] == titles[i - 1]) || (i >= 2 && titles[i] == titles[i - 2]))
            continue;
        const auto &count = slots.counts[i];
        html += u"<tr><td><a href=\""_s + reportUrl(slots.urls[i]) + u"\" target=_blank>"_s +
                reportTitle(titles[i]) + u"</a></td><td width=100 align=center>"_s +
                (count ? QString::number(*count) : QString()) + u"</td></tr>"_s;
    }
    html += u"</table>"_s;
    return html;
}

} // namespace quarnex
