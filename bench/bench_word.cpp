#include "documents/document.h"
#include "wordfixture.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;
using namespace quarnex::bench;

namespace {

// The text of a paper of 250,000 characters saved by a word processor.
void docxText(benchmark::State &state)
{
    const QByteArray bytes = docx(documentXml(250'000));
    QString text;
    QString error;
    for (auto _ : state) {
        if (!wordText(bytes, DocumentFormat::Docx, &text, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            break;
        }
        benchmark::DoNotOptimize(text);
    }
    state.counters["characters"] = double(text.size());
    state.counters["zip bytes"] = double(bytes.size());
}
BENCHMARK(docxText)->Unit(benchmark::kMillisecond);

} // namespace
