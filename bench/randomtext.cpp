// SPDX-License-Identifier: GPL-3.0-or-later
#include "randomtext.h"

namespace quarnex::bench {

QString randomSentence(QRandomGenerator &random, int shortest, int longest)
{
    QString text;
    const int length = random.bounded(shortest, longest);
    for (int i = 0; i < length; ++i)
        text += QChar(char16_t(0x4E00 + random.bounded(0x2000)));
    return text + u'。';
}

} // namespace quarnex::bench
