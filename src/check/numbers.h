// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace quarnex {

// round2(numerator / denominator) × 100, computed exactly on the integers: the quotient is
// rounded to two decimal places, an exact half going to the even neighbour, and the result is
// given in hundredths. 1/8 → 12, 3/8 → 38, 25/3 → 833, 19/1240 → 2. No binary fraction is
// involved, so no representation error can move a figure. Empty for a zero denominator.
std::optional<qint64> roundedHundredths(qint64 numerator, qint64 denominator);

// A number of hundredths written as plain decimal text without trailing zeros:
// 800 → "8", 1250 → "12.5", 833 → "8.33", 5 → "0.05", -150 → "-1.5".
QString formatHundredths(qint64 hundredths);

} // namespace quarnex
