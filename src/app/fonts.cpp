// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts.h"

#include <QFont>
#include <QStringList>

namespace quarnex {
using namespace Qt::StringLiterals;

void installFontSubstitutions()
{
    // A Song face with its compact line height keeps the three lines of the similarity label
    // inside the label, as they were designed.
    QFont::insertSubstitutions(
        u"宋体"_s, {u"AR PL UMing CN"_s, u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s});
}

} // namespace quarnex
