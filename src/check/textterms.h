// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace quarnex {

// The text terms every rule of the check is written in: UTF-16 code units, CR LF line breaks,
// exact case-sensitive matching.

inline constexpr char16_t ideographicSpace = u'\u3000';
inline constexpr QStringView lineBreak = u"\r\n";

// A range of a text: start and length in UTF-16 code units, a line break counting two (CR LF).
// The editor colours such ranges; the comparison finds them.
struct TextRange {
    qsizetype start = 0;
    qsizetype length = 0;
    friend bool operator==(const TextRange &, const TextRange &) = default;
};

// True for U+0020 and U+3000, the two blanks that trimming removes.
constexpr bool isTrimmedBlank(QChar c)
{
    return c.unicode() == u' ' || c.unicode() == ideographicSpace;
}

// Removes half-width and ideographic spaces from both ends, nothing else:
// u"\u3000 \t甲 \u3000" gives u"\t甲".
QString trimBlanks(QStringView text);
QStringView trimmedBlanks(QStringView text);

// True when the text holds nothing but U+0020 and U+3000 (the empty text included).
bool isBlankLine(QStringView text);

// Replaces every occurrence of `from`, found left to right without overlap, in a single pass:
// what the pass inserts is not searched again. replaceAll(u"!!", u"!", u"！\r\n") gives
// u"！\r\n！\r\n". An empty `from` leaves the text as it is.
QString replaceAll(const QString &text, QStringView from, QStringView to);

} // namespace quarnex
