// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/analysis.h"
#include "check/page.h"
#include "check/pagewriter.h"
#include "check/report.h"
#include "check/results.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// Chinese-looking prose: sentences of 8 to 40 common characters, ending in the marks the
// analysis cuts at, commas inside, a paragraph break now and then.
QString paper(qsizetype characters)
{
    QRandomGenerator random(7);
    const QString marks = u"。。。！？；"_s;
    QString text;
    text.reserve(characters + 64);
    while (text.size() < characters) {
        const int length = random.bounded(8, 40);
        for (int i = 0; i < length; ++i) {
            text += QChar(char16_t(0x4E00 + random.bounded(0x2000)));
            if (i % 11 == 10)
                text += u'，';
        }
        text += marks[random.bounded(marks.size())];
        if (random.bounded(12) == 0)
            text += u"\r\n\u3000\u3000"_s;
    }
    text.truncate(characters);
    return text;
}

// A result page of about `bytes` of UTF-8 markup in the delimiter form: ten results with
// highlighted abstracts, the rest ordinary page text and markup.
QString resultPage(qsizetype bytes)
{
    const QString abstract = u"城市绿地对居民身心健康的影响研究表明，"_s;
    ResultPageWriter page;
    int n = 0;
    while (page.body().toUtf8().size() < bytes) {
        for (int i = 0; i < 50; ++i, ++n) {
            const QString number = QString::number(n);
            page.markup(u"<DIV class=result><H3><A href=\"http://www.example.com/"_s + number +
                        u"\">"_s)
                .text(u"标题"_s)
                .highlight(u"城市绿地"_s)
                .text(u"研究"_s + number)
                .markup(u"</A></H3><DIV class=c-abstract>")
                .text(abstract)
                .highlight(abstract)
                .text(abstract)
                .markup(u"</DIV>")
                .result(u"标题"_s + number, u"http://www.example.com/"_s + number)
                .markup(u"</DIV>\n");
        }
    }
    return page.body();
}

// 5,000 sentences of ten results each and the spare slot; a third of the titles repeat.
ResultSlots gatheredSlots()
{
    QRandomGenerator random(11);
    ResultSlots slots = ResultSlots::forSentences(5000);
    for (qsizetype i = 0; i + 1 < slots.size(); ++i) {
        const bool repeated = random.bounded(3) == 0;
        const quint32 id = repeated ? random.bounded(800) : quint32(100000 + i);
        slots.titles[i] = u"相似网页标题 "_s + QString::number(id);
        slots.urls[i] = u"http://www.example.com/page/"_s + QString::number(id);
    }
    return slots;
}

void analyseMillionCharacters(benchmark::State &state)
{
    const QString text = paper(1'000'000);
    for (auto _ : state)
        benchmark::DoNotOptimize(analyse(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(analyseMillionCharacters)->Unit(benchmark::kMillisecond);

void readOneMegabytePage(benchmark::State &state)
{
    const QString html = resultPage(1 << 20);
    const QString sentence = u"城市绿地对居民身心健康的影响研究表明"_s;
    for (auto _ : state)
        benchmark::DoNotOptimize(readPage(html, sentence));
    state.SetBytesProcessed(state.iterations() * html.toUtf8().size());
}
BENCHMARK(readOneMegabytePage)->Unit(benchmark::kMillisecond);

void reportOver50001Slots(benchmark::State &state)
{
    const ResultSlots gathered = gatheredSlots();
    for (auto _ : state) {
        state.PauseTiming();
        ResultSlots slots = gathered;
        state.ResumeTiming();
        recountResults(slots);
        benchmark::DoNotOptimize(reportHtml(slots));
    }
}
BENCHMARK(reportOver50001Slots)->Unit(benchmark::kMillisecond);

} // namespace
