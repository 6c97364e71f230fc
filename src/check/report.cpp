// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

// Appends the text with the characters of `from` written as the texts of `to`, in one pass.
template<qsizetype N>
void appendEscaped(QString &out, QStringView text, const char16_t (&from)[N],
                   const QStringView (&to)[N - 1])
{
    qsizetype done = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        for (qsizetype k = 0; k + 1 < N; ++k) {
            if (text[i] == from[k]) {
                out.append(text.sliced(done, i - done));
                out.append(to[k]);
                done = i + 1;
                break;
            }
        }
    }
    out.append(text.sliced(done));
}

void appendTitle(QString &out, QStringView title)
{
    appendEscaped(out, title, u"<>", {u"&lt;", u"&gt;"});
}

void appendUrl(QString &out, QStringView url)
{
    if (url.isEmpty() || url.startsWith(u"http://", Qt::CaseInsensitive) ||
        url.startsWith(u"https://", Qt::CaseInsensitive))
        appendEscaped(out, url, u"\"<>", {u"%22", u"%3C", u"%3E"});
}

} // namespace

QString reportTitle(QStringView title)
{
    QString safe;
    appendTitle(safe, title);
    return safe;
}

QString reportUrl(QStringView url)
{
    QString safe;
    appendUrl(safe, url);
    return safe;
}

QList<qsizetype> reportRows(const ResultSlots &slots)
{
    QList<qsizetype> rows;
    const auto &titles = slots.titles;
    for (qsizetype i = 0; i < slots.size(); ++i) {
        // A repeated title is left out only when it stands within the two places before.
        if ((i >= 1 && titles[i] == titles[i - 1]) || (i >= 2 && titles[i] == titles[i - 2]))
            continue;
        rows.append(i);
    }
    return rows;
}

QString reportHtml(const ResultSlots &slots)
{
    QString html = u"<br><br><br><br><br><table>"_s;
    const auto &titles = slots.titles;
    for (qsizetype i : reportRows(slots)) {
        html += u"<tr><td><a href=\"";
        appendUrl(html, slots.urls[i]);
        html += u"\" target=_blank>";
        appendTitle(html, titles[i]);
        html += u"</a></td><td width=100 align=center>";
        if (const auto &count = slots.counts[i])
            html += QString::number(*count);
        html += u"</td></tr>";
    }
    html += u"</table>";
    return html;
}

} // namespace quarnex
