// SPDX-License-Identifier: GPL-3.0-or-later
// Any page markup, read for any sentence: the reader must not crash, hang or write outside
// the sentence's slots. Input: the sentence, a newline, the page (UTF-8).
#include "check/page.h"
#include "check/results.h"

#include <cstdlib>

using namespace quarnex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype newline = bytes.indexOf('\n');
    const QString sentence =
        QString::fromUtf8(newline < 0 ? QByteArrayView() : bytes.first(newline));
    const QString page = QString::fromUtf8(newline < 0 ? bytes : bytes.sliced(newline + 1));

    const PageReading reading = readPage(page, sentence);
    if (reading.results.size() > ResultSlots::perSentence || reading.percent < 0 ||
        reading.pageTextLength > page.size() || reading.highlight.text.size() > page.size())
        std::abort();

    ResultSlots slots = ResultSlots::forSentences(2);
    storeResults(slots, 1, reading.results);
    if (slots.size() != 21 || !slots.titles[0].isEmpty() || !slots.titles[20].isEmpty())
        std::abort();
    return 0;
}
