// SPDX-License-Identifier: GPL-3.0-or-later
#include "documents/document.h"
#include "wordfixture.h"
#include "zipfixture.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;
using namespace quarnex::bench;

namespace {

// The text of content as the reader gives it, from detecting its format on.
void readText(benchmark::State &state, const QByteArray &bytes)
{
    QString text;
    for (auto _ : state) {
        const LoadedDocument loaded = readDocumentText(bytes, &text);
        if (!loaded.ok) {
            state.SkipWithError(loaded.error.toUtf8().constData());
            break;
        }
        benchmark::DoNotOptimize(text);
    }
    state.counters["characters"] = double(text.size());
    state.counters["zip bytes"] = double(bytes.size());
}

// The text of a paper of 250,000 characters saved by a word processor.
void docxText(benchmark::State &state)
{
    readText(state, testing::zipOf({{"word/document.xml", documentXml(250'000)}}));
}
BENCHMARK(docxText)->Unit(benchmark::kMillisecond);

void odtText(benchmark::State &state)
{
    readText(state, testing::zipOf({{"mimetype", "application/vnd.oasis.opendocument.text"},
                                    {"content.xml", contentXml(250'000)}}));
}
BENCHMARK(odtText)->Unit(benchmark::kMillisecond);

} // namespace
