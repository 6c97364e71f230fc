// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbers.h"

namespace quarnex {
namespace {

__extension__ using Wide = unsigned __int128;

quint64 magnitudeOf(qint64 value)
{
    return value < 0 ? 0ULL - static_cast<quint64>(value) : static_cast<quint64>(value);
}

} // namespace

std::optional<qint64> roundedHundredths(qint64 numerator, qint64 denominator)
{
    if (denominator == 0)
        return std::nullopt;
    const bool negative = (numerator < 0) != (denominator < 0);
    // 128 bits, so that 100 × numerator cannot overflow whatever the counts.
    const Wide n = Wide{magnitudeOf(numerator)} * 100U;
    const Wide d = magnitudeOf(denominator);
    auto quotient = n / d;
    const auto twiceRemainder = (n % d) * 2U;
    if (twiceRemainder > d || (twiceRemainder == d && quotient % 2U == 1U))
        ++quotient;
    const auto magnitude = static_cast<qint64>(quotient);
    return negative ? -magnitude : magnitude;
}

QString formatHundredths(qint64 hundredths)
{
    const bool negative = hundredths < 0;
    const quint64 magnitude = magnitudeOf(hundredths);
    QString text = QString::number(magnitude / 100U);
    const quint64 fraction = magnitude % 100U;
    if (fraction != 0) {
        text += u'.';
        text += QChar(u'0' + static_cast<char16_t>(fraction / 10U));
        if (fraction % 10U != 0)
            text += QChar(u'0' + static_cast<char16_t>(fraction % 10U));
    }
    if (negative && magnitude != 0)
        text.prepend(u'-');
    return text;
}

} // namespace quarnex
