// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "results.h"

#include <QString>
#include <QStringView>

namespace quarnex {

// Counts, for every slot with a non-empty title, how many slots hold that title (itself
// included), starting from empty counts; slots with an empty title get an empty count. Then
// orders all three lists together by count, highest first, keeping the gathering order among
// equal counts (an empty count ranks as 0). Linear in the number of slots apart from the sort.
void recountResults(ResultSlots &slots);

// A title as it may enter the report: "<" and ">" become "&lt;" and "&gt;"; entities already
// there stay, so they show as meant.
QString reportTitle(QStringView title);

// An address as it may enter an href: empty unless it is empty or starts with "http://" or
// "https://" (any letter case); '"', '<' and '>' percent-encoded.
QString reportUrl(QStringView url);

// The slots the report shows, in order: each slot whose title differs from the titles of the two
// slots before it.
QList<qsizetype> reportRows(const ResultSlots &slots);

// The report as the browser receives it: "<br><br><br><br><br><table>", one row per slot
// whose title differs from the titles of the two slots before it, "</table>". Without slots
// (before the first analysis) only the empty table frame.
QString reportHtml(const ResultSlots &slots);

} // namespace quarnex
