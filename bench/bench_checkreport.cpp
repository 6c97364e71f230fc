// SPDX-License-Identifier: GPL-3.0-or-later
// The report of a thesis-sized check: 5,000 sentences in chapters, a third of them found on
// their pages, each page with a highlighted piece and three results.
#include "check/checkreport.h"
#include "check/findings.h"
#include "check/pagewriter.h"
#include "platform/reportpdf.h"
#include "randomtext.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

CheckReport thesisReport(qsizetype count)
{
    QRandomGenerator random(11);
    CheckReport report;
    QString paper;
    qsizetype chapter = 0;
    QList<std::optional<PageEvidence>> pages;
    while (report.sentences.size() < count) {
        if (report.sentences.size() % 500 == 0) {
            const QString heading = u"第"_s + QString::number(++chapter) + u"章 研究"_s;
            report.sentences.append(heading);
            pages.append(std::nullopt);
            paper += heading + u"\r\n"_s;
            continue;
        }
        QString paragraph;
        for (int k = 0; k < 5 && report.sentences.size() < count; ++k) {
            const QString s = bench::randomSentence(random, 12, 40);
            report.sentences.append(s);
            paragraph += s;
            if (random.bounded(3) == 0) {
                PageEvidence evidence;
                evidence.pieces = {s.mid(0, s.size() * random.bounded(1, 10) / 10)};
                for (int r = 0; r < 3; ++r) {
                    const QString url =
                        u"http://example.com/"_s + QString::number(random.bounded(200));
                    evidence.results.append({{u"来源"_s + url, url}, evidence.pieces.first()});
                }
                pages.append(evidence);
            } else {
                pages.append(std::nullopt);
            }
        }
        paper += paragraph + u"\r\n"_s;
    }
    report.layout = paperLayout(paper);
    report.findings = paperFindings(report.sentences, report.layout, pages);
    report.overall = u"8.33"_s;
    report.checkedSentences = count / 3;
    report.slots = ResultSlots::forSentences(count);
    return report;
}

void BM_ReportHtml(benchmark::State &state)
{
    for (auto _ : state) {
        const CheckReport report = thesisReport(state.range(0));
        benchmark::DoNotOptimize(checkReportHtml(report));
    }
}
BENCHMARK(BM_ReportHtml)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ReportPdf(benchmark::State &state)
{
    const QString html = checkReportHtml(thesisReport(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(reportPdf(html, u"检测报告"_s));
}
BENCHMARK(BM_ReportPdf)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
