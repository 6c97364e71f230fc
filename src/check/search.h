// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

namespace quarnex {

// The items of the engine menu.
enum class Engine { Baidu, Zhiwang, Longyuan };

inline constexpr QStringView defaultSearchBase = u"https://www.baidu.com";

// "baidu", "zhiwang", "longyuan" (the menu items' names).
std::optional<Engine> engineFromName(QStringView name);

// The search text of a list entry: the number and "-" taken off, trimmed, "," made "，", the
// marks 《》【】：“”……（）， each made a half-width space, two spaces made one, then the straight
// double quote, "！" and "。" each made a space. Not trimmed again:
// u"12-第十二句，含“引号”。" gives u"第十二句 含 引号  ".
QString searchText(QStringView entry);

// A search text that sends nothing: "", a single half-width space, or the single U+E003.
bool isBlankSearchText(QStringView text);

// The readable query address (not percent-encoded) of a search text. Baidu: base + "/s?wd=" +
// text; the other two reach their own sites' searches with the same text.
QString queryAddress(Engine engine, QStringView baiduBase, QStringView text);

// The address as sent: the value after "wd=" (or after the first "=" of the query)
// percent-encoded in full as UTF-8, so that "#", "&", "+" and "%" in a sentence are searched
// whole. u"http://h/s?wd=a#b c" gives "http://h/s?wd=a%23b%20c". Addresses without a query
// value (about:blank) are taken as they stand.
QUrl sendableUrl(const QString &readable);

} // namespace quarnex
