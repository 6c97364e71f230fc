// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"

#include "check/analysis.h"
#include "check/numbers.h"
#include "check/page.h"
#include "check/report.h"
#include "check/results.h"
#include "fetch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <optional>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// What the automatic compare did with one list entry.
struct CheckedSentence {
    bool sent = false;
    // Empty when no page was scored for it.
    std::optional<qint64> percent;
    QString overall;
    qint64 overallHundredths = 0;
    QString label2;
    QList<SearchResult> results;
};

constexpr int maxRetries = 3;
constexpr QStringView stopMessage = u"网络不给力，自动对比已经暂停！";

// "k/n overall%" per line, or on a terminal one line kept up to date with a bar and the time
// left, estimated from the time the sentences so far took.
void reportProgress(const ProgressOutput &progress, qsizetype done, qsizetype total,
                    const QString &overall, qint64 elapsedMs)
{
    if (!progress.write)
        return;
    const QString figures = QString::number(done) + u'/' + QString::number(total);
    if (!progress.terminal) {
        progress.write((figures + u' ' + overall + u"%\n"_s).toUtf8());
        return;
    }
    constexpr qsizetype width = 30;
    const qsizetype filled = total > 0 ? done * width / total : width;
    const qint64 secondsLeft = done > 0 ? elapsedMs * (total - done) / done / 1000 : 0;
    QString bar = u"\r["_s + QString(filled, u'#') + QString(width - filled, u' ') + u"] "_s +
                  figures + u"  overall "_s + overall + u"%  about "_s +
                  QString::number(secondsLeft) + u" s left "_s;
    if (done == total)
        bar += u'\n';
    progress.write(bar.toUtf8());
}

QByteArray standaloneReport(const QString &reportHtml)
{
    return (u"<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta "
            u"charset=\"utf-8\"><title>相似性网站统计</title></head>"
            u"<body>"_s +
            reportHtml + u"</body></html>\n"_s)
        .toUtf8();
}

// An overall figure as JSON: a number, 4.5 for "4.5".
QJsonValue overallJson(qint64 hundredths)
{
    return QJsonValue(double(hundredths) / 100.0);
}

} // namespace

Result<CliOutcome> runCheck(const CommandLine &line, const StandardInput &readStandardInput,
                            const ProgressOutput &progress)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    Result<SearchSite> site = searchSiteOption(line);
    if (!site)
        return site.failure();
    bool pauseOk = true;
    const double pause = line.value(optionPause).value_or(u"1"_s).toDouble(&pauseOk);
    if (!pauseOk || !std::isfinite(pause) || pause < 0 || pause > 3600)
        return usageError(u"--pause needs a number of seconds from 0 to 3600"_s);
    Result<QString> text = readEditorText(operandOrStandardInput(line, 0), readStandardInput);
    if (!text)
        return text.failure();
    // Opened before the run, so that a path that cannot be written costs no searches.
    QFile reportFile;
    if (const auto path = line.value(optionReport)) {
        reportFile.setFileName(*path);
        if (!reportFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return Failure{u"cannot write '"_s + *path + u"': "_s + reportFile.errorString()};
    }

    // The network needs an application object; the other commands do without one.
    std::optional<QCoreApplication> application;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "quarnex-cli";
        static char *argv[] = {name, nullptr};
        application.emplace(argc, argv);
    }

    const Analysis analysis = analyse(*text);
    const qsizetype total = analysis.entries.size();
    QList<CheckedSentence> checked(total);
    ResultSlots slots = ResultSlots::forSentences(total);
    PageFetcher fetcher;
    QElapsedTimer clock;
    clock.start();
    // As the window counts: the divisor starts at one and is one ahead of the pages scored,
    // taken back only when a page stops the run.
    qint64 similaritySum = 0;
    qint64 scoredCount = 1;
    qint64 overallHundredths = 0;
    QString overall = u"0"_s;
    std::optional<QString> stopped;
    QString fetchError;
    bool requested = false;
    for (qsizetype i = 0; i < total && !stopped; ++i) {
        CheckedSentence &sentence = checked[i];
        const QString search = searchText(analysis.entries[i]);
        if (!isBlankSearchText(search)) {
            const QUrl url = sendableUrl(site->address(search));
            FetchedPage page;
            for (int attempt = 0; attempt <= maxRetries; ++attempt) {
                if (requested)
                    pauseSeconds(pause);
                requested = true;
                page = fetcher.get(url);
                if (page.error.isEmpty())
                    break;
            }
            sentence.sent = true;
            if (!page.error.isEmpty()) {
                fetchError = url.toDisplayString() + u": "_s + page.error;
                stopped = stopMessage.toString();
            } else {
                const PageReading reading = readPage(page.body, analysis.sentences[i]);
                similaritySum += reading.percent;
                overallHundredths = roundedHundredths(similaritySum, scoredCount).value();
                overall = formatHundredths(overallHundredths);
                sentence.percent = reading.percent;
                sentence.overall = overall;
                sentence.overallHundredths = overallHundredths;
                sentence.label2 = similarityLine(reading.percent, overall);
                sentence.results = reading.results;
                storeResults(slots, i, reading.results);
                ++scoredCount;
                // A page without highlighting is most likely a block or a captcha.
                if (!reading.highlight.openTagFound) {
                    --scoredCount;
                    stopped = stopMessage.toString();
                }
            }
        }
        reportProgress(progress, i + 1, total, overall, clock.elapsed());
    }

    // The bar of a run that stopped early still needs its line ended.
    if (stopped && progress.write && progress.terminal)
        progress.write("\n"_ba);

    recountResults(slots);
    const QString report = reportHtml(slots);
    if (reportFile.isOpen()) {
        const QByteArray bytes = standaloneReport(report);
        if (reportFile.write(bytes) != bytes.size() || !reportFile.flush()) {
            return Failure{u"cannot write '"_s + reportFile.fileName() + u"': "_s +
                           reportFile.errorString()};
        }
    }

    CliOutcome outcome;
    outcome.exitCode = stopped ? exitStopped : exitSuccess;
    if (stopped) {
        QString error = *stopped + u'\n';
        if (!fetchError.isEmpty())
            error += u"quarnex-cli: "_s + fetchError + u'\n';
        outcome.standardError = error.toUtf8();
    }
    const QJsonValue null(QJsonValue::Null);
    if (line.json) {
        QJsonArray sentences;
        for (qsizetype i = 0; i < total; ++i) {
            const CheckedSentence &sentence = checked[i];
            const bool scored = sentence.percent.has_value();
            sentences.append(QJsonObject{
                {u"number"_s, qint64(i + 1)},
                {u"sentence"_s, analysis.sentences[i]},
                {u"searchText"_s, searchText(analysis.entries[i])},
                {u"sent"_s, sentence.sent},
                {u"percent"_s, scored ? QJsonValue(*sentence.percent) : null},
                {u"overall"_s, scored ? overallJson(sentence.overallHundredths) : null},
                {u"label2"_s, scored ? QJsonValue(sentence.label2) : null},
                {u"results"_s, resultsJson(sentence.results)},
            });
        }
        outcome.standardOutput = jsonBytes({
            {u"sentences"_s, sentences},
            {u"overall"_s, overallJson(overallHundredths)},
            {u"stopped"_s, stopped ? QJsonValue(*stopped) : null},
            {u"report"_s, report},
        });
        return outcome;
    }
    QString out;
    for (qsizetype i = 0; i < total; ++i) {
        const CheckedSentence &sentence = checked[i];
        out += QString::number(i + 1) + u'\t' +
               (sentence.percent
                    ? QString::number(*sentence.percent) + u"%\t"_s + sentence.overall + u'%'
                    : (sentence.sent ? u"failed"_s : u"not sent"_s)) +
               u'\n';
    }
    out += u"overall\t"_s + overall + u"%\n"_s;
    outcome.standardOutput = out.toUtf8();
    return outcome;
}

} // namespace quarnex
