// SPDX-License-Identifier: GPL-3.0-or-later
#include "results.h"

namespace quarnex {

ResultSlots ResultSlots::forSentences(qsizetype sentenceCount)
{
    const qsizetype n = perSentence * sentenceCount + 1;
    ResultSlots slots;
    slots.titles.resize(n);
    slots.urls.resize(n);
    slots.counts.resize(n);
    return slots;
}

} // namespace quarnex
