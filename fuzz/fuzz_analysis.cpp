// SPDX-License-Identifier: GPL-3.0-or-later
// Any editor text: the analysis must not crash or hang, and its sentences must join back to
// analysedText without a blank sentence. Input: the text as raw UTF-16, so that lone
// surrogates and every code unit can occur.
#include "check/analysis.h"
#include "check/textterms.h"

#include <cstdlib>

using namespace quarnex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));

    const Analysis analysis = analyse(text);
    if (analysis.sentences.join(lineBreak) != analysis.analysedText ||
        analysis.entries.size() != analysis.sentences.size() ||
        analysis.characters > analysis.analysedText.size())
        std::abort();
    for (const QString &sentence : analysis.sentences) {
        if (isBlankLine(sentence) || sentence.contains(lineBreak))
            std::abort();
    }
    return 0;
}
