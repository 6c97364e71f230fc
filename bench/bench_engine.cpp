// SPDX-License-Identifier: GPL-3.0-or-later
// The local search endpoint: indexing 1,000 documents of 20,000 characters (target ≤ 10 s),
// answering a 40-character query with its result page (target ≤ 50 ms), and quarnex-cli check
// of a 200-sentence paper against it with no pause between requests (target ≤ 10 s).
#include "engine/engine.h"
#include "engine/server.h"

#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

constexpr int documentCount = 1000;
constexpr qsizetype documentLength = 20'000;

// Text built from a vocabulary of 2,000 short words over 3,000 characters, so that character
// pairs repeat across documents as in real prose and the posting lists are not trivially short.
QList<EngineDocument> corpus()
{
    QRandomGenerator random(5);
    QStringList words;
    for (int w = 0; w < 2000; ++w) {
        QString word;
        for (int i = random.bounded(1, 4); i >= 0; --i)
            word += QChar(char16_t(0x4E00 + random.bounded(3000)));
        words.append(word);
    }
    QList<EngineDocument> documents;
    for (int d = 0; d < documentCount; ++d) {
        QString text;
        text.reserve(documentLength + 8);
        while (text.size() < documentLength)
            text += random.bounded(12) == 0 ? u"，"_s : words[random.bounded(words.size())];
        documents.append({u"doc%1.txt"_s.arg(d), text});
    }
    return documents;
}

const QList<EngineDocument> &sharedCorpus()
{
    static const QList<EngineDocument> documents = corpus();
    return documents;
}

const EngineIndex &sharedIndex()
{
    static const EngineIndex index(sharedCorpus());
    return index;
}

void BM_Index(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(EngineIndex(sharedCorpus()).documentCount());
}
BENCHMARK(BM_Index)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Query(benchmark::State &state)
{
    const EngineIndex &index = sharedIndex();
    // A passage of one document with a word changed in its middle, as a paraphrase would be.
    QString query = sharedCorpus()[417].text.mid(5000, 40);
    query[20] = u'的';
    for (auto _ : state)
        benchmark::DoNotOptimize(resultPage(index, query, u"http://127.0.0.1:8080").size());
}
BENCHMARK(BM_Query)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The whole check as a user runs it: a separate quarnex-cli process, each sentence a passage of
// a different document, so that every page has results and highlights and the run goes through.
void BM_CheckPaper(benchmark::State &state)
{
    EngineServer server(sharedIndex());
    if (!server.start(0)) {
        state.SkipWithError("cannot listen on 127.0.0.1");
        return;
    }
    QString paper;
    for (int s = 0; s < 200; ++s)
        paper += sharedCorpus()[s * 5].text.mid(3000, 30) + u"。"_s;
    for (auto _ : state) {
        QProcess process;
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        process.start(QStringLiteral(QUARNEX_CLI),
                      {u"check"_s, u"--pause"_s, u"0"_s, u"--search-base"_s, server.base()});
        process.write(paper.toUtf8());
        process.closeWriteChannel();
        loop.exec();
        if (process.exitCode() != 0) {
            state.SkipWithError(process.readAllStandardError().constData());
            return;
        }
    }
}
BENCHMARK(BM_CheckPaper)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
