// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparator/comparison.h"

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

#include <random>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

constexpr qsizetype textLength = 300'000;

// A sentence of 10 to 40 common CJK characters with its closing mark, now and then followed
// by a line break as a paragraph ends.
QString chineseSentence(std::mt19937 &random)
{
    static const char16_t marks[] = {u'。', u'，', u'！', u'？'};
    std::uniform_int_distribution<int> length(10, 40);
    std::uniform_int_distribution<int> character(0x4E00, 0x4E00 + 3000);
    std::uniform_int_distribution<int> mark(0, 3);
    std::uniform_int_distribution<int> paragraph(0, 9);
    QString sentence;
    const int n = length(random);
    for (int i = 1; i < n; ++i)
        sentence += QChar(char16_t(character(random)));
    sentence += QChar(marks[mark(random)]);
    if (paragraph(random) == 0)
        sentence += u"\r\n"_s;
    return sentence;
}

struct Texts {
    QString paper;
    QString reference;
};

// A reference that takes every third sentence of the paper and fills the rest with its own.
Texts chineseTexts()
{
    std::mt19937 random(7);
    Texts texts;
    QStringList sentences;
    while (texts.paper.size() < textLength) {
        sentences.append(chineseSentence(random));
        texts.paper += sentences.constLast();
    }
    texts.paper.truncate(textLength);
    for (qsizetype i = 0; texts.reference.size() < textLength; ++i) {
        texts.reference +=
            i % 3 == 0 && i < sentences.size() ? sentences.at(i) : chineseSentence(random);
    }
    texts.reference.truncate(textLength);
    return texts;
}

// A paper of one repeated character and a reference of runs of it of every length from 6 up,
// one per line: nearly every position of the paper is a candidate for every sentence. With a
// different last character the candidates all fail instead.
Texts runTexts(const QString &last)
{
    Texts texts;
    texts.paper = u"a"_s.repeated(textLength);
    for (qsizetype length = 6; texts.reference.size() < textLength; ++length)
        texts.reference += u"a"_s.repeated(length - last.size()) + last + u"\r\n"_s;
    return texts;
}

// The same paper and many different sentences of one length, all starting with six 'a': they
// share one candidate list that covers the whole paper, and none of them is found.
Texts sameStartTexts()
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> letter(u'b', u'i');
    Texts texts;
    texts.paper = u"a"_s.repeated(textLength);
    while (texts.reference.size() < textLength) {
        texts.reference += u"aaaaaa"_s;
        for (int i = 0; i < 10; ++i)
            texts.reference += QChar(char16_t(letter(random)));
        texts.reference += u"\r\n"_s;
    }
    return texts;
}

// Runs of 800 'a' between single 'b', and a reference of 'a' runs of every length from 6 up:
// each sentence is found in every run, but after its last fit in a run the rest of the run
// are candidates that fail. 1.36 million marks.
Texts brokenRunTexts()
{
    Texts texts;
    while (texts.paper.size() < textLength)
        texts.paper += u"a"_s.repeated(800) + u'b';
    for (qsizetype length = 6; texts.reference.size() < textLength; ++length)
        texts.reference += u"a"_s.repeated(length) + u"\r\n"_s;
    return texts;
}

// Half the paper one run of 'a', then sentences of 7 to 606 characters that all start with six
// 'a', each in the reference once: the shared start stands 150,000 times, yet each sentence is
// found once, after the run.
Texts afterRunTexts()
{
    std::mt19937 random(13);
    std::uniform_int_distribution<int> length(1, 600);
    std::uniform_int_distribution<int> letter(u'b', u'i');
    Texts texts;
    texts.paper = u"a"_s.repeated(textLength / 2);
    while (texts.paper.size() < textLength) {
        QString sentence = u"aaaaaa"_s;
        for (int i = length(random); i > 0; --i)
            sentence += QChar(char16_t(letter(random)));
        texts.paper += sentence;
        texts.reference += sentence + u"\r\n"_s;
    }
    return texts;
}

// One 19-character sentence over and over, the same text on both sides, cut at 300,000
// characters: every reference sentence is found at every repetition, and the cut-off tail is
// found too, overlapping them.
Texts repeatedTexts()
{
    Texts texts;
    texts.paper = u"城市绿地让居民的生活变得更加健康愉快。"_s.repeated(textLength / 19 + 1);
    texts.paper.truncate(textLength);
    texts.reference = texts.paper;
    return texts;
}

void run(benchmark::State &state, const Texts &texts)
{
    qsizetype marks = 0;
    for (auto _ : state) {
        const Comparison c = compareWithReference(texts.paper, texts.reference);
        marks = c.marks.size();
        benchmark::DoNotOptimize(marks);
    }
    state.counters["marks"] = double(marks);
}

void BM_ChineseText(benchmark::State &state)
{
    static const Texts texts = chineseTexts();
    run(state, texts);
}

void BM_RunsAllMatching(benchmark::State &state)
{
    static const Texts texts = runTexts(QString());
    run(state, texts);
}

void BM_RunsNoneMatching(benchmark::State &state)
{
    static const Texts texts = runTexts(u"b"_s);
    run(state, texts);
}

void BM_SameStartNoneMatching(benchmark::State &state)
{
    static const Texts texts = sameStartTexts();
    run(state, texts);
}

void BM_RepeatedSentence(benchmark::State &state)
{
    static const Texts texts = repeatedTexts();
    run(state, texts);
}

void BM_BrokenRuns(benchmark::State &state)
{
    static const Texts texts = brokenRunTexts();
    run(state, texts);
}

void BM_FoundOnceAfterARun(benchmark::State &state)
{
    static const Texts texts = afterRunTexts();
    run(state, texts);
}

} // namespace

BENCHMARK(BM_ChineseText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunsAllMatching)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunsNoneMatching)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SameStartNoneMatching)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepeatedSentence)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenRuns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FoundOnceAfterARun)->Unit(benchmark::kMillisecond);
