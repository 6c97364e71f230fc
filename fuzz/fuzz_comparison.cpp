// SPDX-License-Identifier: GPL-3.0-or-later
// Any paper and reference: the comparison must not crash, hang or allocate without bound, and
// what it finds must hold together. Input: UTF-8, the paper before the first NUL byte and the
// reference after it (no NUL: the whole input is both), so that seeds stay readable text.
#include "comparator/comparison.h"

#include <QHash>
#include <QSet>

#include <cstdlib>

using namespace quarnex;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QString paper = QString::fromUtf8(split < 0 ? bytes : bytes.first(split));
    const QString reference = QString::fromUtf8(split < 0 ? bytes : bytes.sliced(split + 1));
    const Comparison c = compareWithReference(paper, reference);

    // Each mark lies in the paper, holds a reference sentence of six units or more, and stands
    // once; the marks of one sentence go left to right without overlapping.
    const QSet<QString> sentences(c.referenceSentences.cbegin(), c.referenceSentences.cend());
    QHash<QString, QList<qsizetype>> marksOf;
    QSet<std::pair<qsizetype, qsizetype>> seen;
    for (const Mark &mark : c.marks) {
        check(mark.start >= 0 && mark.length >= 6 && mark.start + mark.length <= paper.size());
        const QString text = paper.sliced(mark.start, mark.length);
        check(sentences.contains(text));
        check(!seen.contains({mark.start, mark.length}));
        seen.insert({mark.start, mark.length});
        QList<qsizetype> &starts = marksOf[text];
        check(starts.isEmpty() || starts.last() + mark.length <= mark.start);
        starts.append(mark.start);
    }

    // The counts follow from the marks, place by place in the reference, and the selection
    // ends on the last occurrence of the last found one.
    qint64 characters = 0, found = 0, extra = 0;
    Mark last;
    for (const QString &sentence : c.referenceSentences) {
        const QList<qsizetype> starts = marksOf.value(sentence);
        if (starts.isEmpty())
            continue;
        characters += sentence.size();
        found += 1;
        extra += starts.size() - 1;
        last = {starts.last(), sentence.size()};
    }
    check(characters == c.repeatedChars && found == c.repeatedSentences &&
          extra == c.extraOccurrences && last == c.lastMarked);

    // On small inputs, also that no occurrence is missed: each sentence's marks are those of
    // the plain search, the first and then the next one after its end.
    if (paper.size() * c.referenceSentences.size() <= 200'000) {
        for (const QString &sentence : sentences) {
            QList<qsizetype> expected;
            for (qsizetype at = sentence.size() < 6 ? -1 : paper.indexOf(sentence); at >= 0;
                 at = paper.indexOf(sentence, at + sentence.size()))
                expected.append(at);
            check(marksOf.value(sentence) == expected);
        }
    }
    check(c.referenceText == c.referenceSentences.join(lineBreak));
    return 0;
}
