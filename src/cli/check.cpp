// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"

#include "check/analysis.h"
#include "check/checkfile.h"
#include "check/checkreport.h"
#include "check/checkrun.h"
#include "check/numbers.h"
#include "check/page.h"
#include "check/report.h"
#include "check/results.h"
#include "fetch.h"
#include "platform/reportpdf.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>
#include <QTimer>

#include <cmath>
#include <memory>
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
    QString label2;
    QList<SearchResult> results;
};

// "k/n overall%" per line, or on a terminal one line kept up to date with a bar and the time
// left.
void reportProgress(const ProgressOutput &progress, qsizetype done, qsizetype total,
                    const QString &overall, qint64 msLeft)
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
    QString bar = u"\r["_s + QString(filled, u'#') + QString(width - filled, u' ') + u"] "_s +
                  figures + u"  overall "_s + overall + u"%  about "_s +
                  QString::number(msLeft / 1000) + u" s left "_s;
    if (done == total)
        bar += u'\n';
    progress.write(bar.toUtf8());
}

// How a run ended, besides at the end of the list.
struct RunEnd {
    std::optional<QString> stopped;
    // The two lines a window would show at the end.
    QString line1;
    QString line2;
    bool verification = false;
    QString fetchError;
};

// Drives the run with one page fetched at a time, as the window's browser loads them: of the
// addresses asked for within one step only the last is fetched, as a newer navigation replaces
// an older one.
RunEnd drive(CheckRun &run, QList<CheckedSentence> &checked)
{
    PageFetcher fetcher;
    QEventLoop loop;
    RunEnd end;
    std::optional<QString> wanted;

    const auto fetchWanted = [&] {
        if (!wanted)
            return;
        const QString address = *std::exchange(wanted, std::nullopt);
        const qsizetype sentence = run.lastSentIndex;
        checked[sentence].sent = true;
        const QUrl url = sendableUrl(address);
        fetcher.fetch(url, [&run, &end, url](const FetchedPage &page) {
            PageEnd ended{PageEnd::Kind::Loaded, page.body, url.toString(), {}};
            if (!page.error.isEmpty()) {
                ended.kind = PageEnd::Kind::Failed;
                end.fetchError = url.toDisplayString() + u": "_s + page.error;
            } else if (page.body.isEmpty()) {
                end.fetchError = url.toDisplayString() + u": empty page"_s;
            }
            run.pageEnded(ended);
        });
    };
    QObject::connect(&run, &CheckRun::navigate, &loop, [&](const QString &address) {
        if (!wanted)
            QTimer::singleShot(0, &loop, fetchWanted);
        wanted = address;
    });
    QObject::connect(&run, &CheckRun::abandonPage, &loop, [&] {
        wanted.reset();
        fetcher.abort();
    });
    QObject::connect(&run, &CheckRun::pageScored, &loop,
                     [&](qsizetype i, const PageReading &reading) {
                         if (i < 0 || i >= checked.size())
                             return;
                         CheckedSentence &sentence = checked[i];
                         sentence.percent = reading.percent;
                         sentence.overall = run.overall;
                         sentence.label2 = similarityLine(reading.percent, run.overall);
                         sentence.results = reading.results;
                     });
    QObject::connect(&run, &CheckRun::showLine1, &loop, [&](const QString &line) {
        end.line1 = line;
        if (line == stopMessage)
            end.stopped = line;
    });
    QObject::connect(&run, &CheckRun::showLine2, &loop,
                     [&](const QString &line) { end.line2 = line; });
    QObject::connect(&run, &CheckRun::verificationShown, &loop, [&] {
        end.verification = true;
        end.stopped = verificationMessage.toString();
    });
    QObject::connect(&run, &CheckRun::autoRunChanged, &loop, [&](bool running) {
        if (!running)
            loop.quit();
    });
    run.start();
    if (run.autoRun == 1)
        loop.exec();
    return end;
}

// Opened before the run, so that a path that cannot be written costs no searches.
std::optional<Failure> openOutput(QFile &file, const std::optional<QString> &path)
{
    if (!path)
        return std::nullopt;
    file.setFileName(*path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Failure{u"cannot write '"_s + *path + u"': "_s + file.errorString()};
    return std::nullopt;
}

std::optional<Failure> writeOutput(QFile &file, const QByteArray &bytes)
{
    if (!file.isOpen())
        return std::nullopt;
    if (file.write(bytes) != bytes.size() || !file.flush())
        return Failure{u"cannot write '"_s + file.fileName() + u"': "_s + file.errorString()};
    file.close();
    return std::nullopt;
}

// A saved check, within a size no real paper's check comes near.
Result<QByteArray> readCheck(const QString &path)
{
    constexpr qint64 limit = qint64(512) << 20;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{u"cannot read '"_s + path + u"': "_s + file.errorString()};
    if (file.size() > limit)
        return Failure{u"cannot resume from '"_s + path + u"': larger than 512 MB"_s};
    return file.readAll();
}

// Replaces the file only once the whole check is written.
std::optional<Failure> writeCheck(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Failure{u"cannot write '"_s + path + u"': "_s + file.errorString()};
    return std::nullopt;
}

// Hundredths of a percent as a JSON number: 1234 gives 12.34.
QJsonValue hundredthsJson(qint64 hundredths)
{
    return QJsonValue(double(hundredths) / 100.0);
}

QJsonArray sectionsJson(const PaperFindings &findings)
{
    QJsonArray sections;
    for (const SectionFigures &section : findings.sections) {
        const QString kind = section.kind == SectionKind::TableOfContents ? u"contents"_s
                             : section.kind == SectionKind::References    ? u"references"_s
                                                                          : u"body"_s;
        sections.append(QJsonObject{{u"heading"_s, section.heading},
                                    {u"kind"_s, kind},
                                    {u"characters"_s, qint64(section.characters)},
                                    {u"redCharacters"_s, qint64(section.redCharacters)},
                                    {u"copyRatio"_s, hundredthsJson(section.copyRatio)}});
    }
    return sections;
}

QJsonArray sourcesJson(const PaperFindings &findings)
{
    QJsonArray sources;
    for (const SourceFigures &source : findings.sources)
        sources.append(QJsonObject{{u"title"_s, source.result.title},
                                   {u"url"_s, source.result.url},
                                   {u"sentences"_s, qint64(source.sentences)},
                                   {u"characters"_s, qint64(source.characters)}});
    return sources;
}

// An overall figure as JSON: a number, 4.5 for "4.5".
QJsonValue overallJson(const QString &overall)
{
    return QJsonValue(overall.toDouble());
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
    const std::optional<QString> resume = line.value(optionResume);
    if (resume && (line.value(optionSave) || !line.operands.isEmpty()))
        return usageError(u"--resume takes the paper from its file: give no paper and no --save"_s);
    Result<QString> text = QString();
    Result<QByteArray> saved = QByteArray();
    if (resume)
        saved = readCheck(*resume);
    else
        text = readEditorText(operandOrStandardInput(line, 0), readStandardInput);
    if (!text)
        return text.failure();
    if (!saved)
        return saved.failure();
    QFile reportFile, pdfFile;
    if (auto failure = openOutput(reportFile, line.value(optionReport)))
        return *failure;
    if (auto failure = openOutput(pdfFile, line.value(optionPdf)))
        return *failure;

    // The network needs an application object, the PDF's fonts a GUI one; nothing is shown,
    // so no display is needed. The other commands do without one.
    std::unique_ptr<QCoreApplication> application;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "quarnex-cli";
        static char *argv[] = {name, nullptr};
        if (pdfFile.isOpen()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            application = std::make_unique<QGuiApplication>(argc, argv);
        } else {
            application = std::make_unique<QCoreApplication>(argc, argv);
        }
    }

    CheckRun run;
    run.pauseScale = pause;
    run.address = [&site](const QString &search) { return site->address(search); };
    run.paperIsEmpty = [] { return false; };
    QObject::connect(
        &run, &CheckRun::progress,
        [&progress](qsizetype number, qsizetype count, const QString &overall, qint64 msLeft) {
            reportProgress(progress, number, count, overall, msLeft);
        });
    CheckFile checkFile;
    if (resume) {
        if (auto fault = readCheckFile(*saved, checkFile, run))
            return Failure{u"cannot resume from '"_s + *resume + u"': "_s + *fault};
        if (line.skipReferences)
            run.skipTableOfContentsAndReferences = true;
    } else {
        const QString paper = operandOrStandardInput(line, 0);
        checkFile.paperName =
            paper.isEmpty() || paper == u"-" ? QString() : QFileInfo(paper).fileName();
        run.skipTableOfContentsAndReferences = line.skipReferences;
        run.analysed(analyse(*text), *text);
    }
    const qsizetype total = run.sentences.size();
    // What the pages of a resumed check already showed.
    QList<CheckedSentence> checked(total);
    for (qsizetype i = 0; i < total && i < run.pages.size(); ++i) {
        if (const auto &page = run.pages[i]) {
            CheckedSentence &sentence = checked[i];
            sentence.sent = true;
            sentence.percent = page->percent;
            sentence.overall = page->overall;
            sentence.label2 = similarityLine(page->percent, page->overall);
            for (const ResultText &result : page->evidence.results)
                sentence.results.append(result.result);
        }
    }
    RunEnd end;
    if (total > 0)
        end = drive(run, checked);
    const std::optional<QString> &stopped = end.stopped;

    // The bar of a run that stopped early still needs its line ended.
    if (stopped && progress.write && progress.terminal)
        progress.write("\n"_ba);

    ResultSlots slots = run.results.value_or(ResultSlots::forSentences(total));
    recountResults(slots);
    const QString report = reportHtml(slots);
    const CheckReport checkedReport = checkReport(run, checkFile.paperName);
    if (const auto path = resume ? resume : line.value(optionSave)) {
        checkFile.line1 = end.line1.isEmpty() ? checkFile.line1 : end.line1;
        checkFile.line2 = end.line2.isEmpty() ? checkFile.line2 : end.line2;
        if (auto failure = writeCheck(*path, writeCheckFile(run, checkFile)))
            return *failure;
    }
    if (reportFile.isOpen() || pdfFile.isOpen()) {
        const QString page = checkReportHtml(checkedReport);
        if (auto failure = writeOutput(reportFile, page.toUtf8()))
            return *failure;
        if (pdfFile.isOpen()) {
            if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
                return Failure{u"cannot write a PDF without a GUI application object"_s};
            if (auto failure = writeOutput(pdfFile, reportPdf(page, reportTitle(checkedReport))))
                return *failure;
        }
    }

    CliOutcome outcome;
    outcome.exitCode = end.verification ? exitVerification : stopped ? exitStopped : exitSuccess;
    if (stopped) {
        QString error = *stopped + u'\n';
        if (end.verification)
            error = u"quarnex-cli: the search site asks for a human check; answer it in a "_s
                    u"browser, then check again\n"_s;
        else if (!end.fetchError.isEmpty())
            error += u"quarnex-cli: "_s + end.fetchError + u'\n';
        outcome.standardError = error.toUtf8();
    }
    const QJsonValue null(QJsonValue::Null);
    if (line.json) {
        QJsonArray sentences;
        for (qsizetype i = 0; i < total; ++i) {
            const CheckedSentence &sentence = checked[i];
            const bool scored = sentence.percent.has_value();
            const SentenceFinding finding = checkedReport.findings.sentences.value(i);
            sentences.append(QJsonObject{
                {u"number"_s, qint64(i + 1)},
                {u"sentence"_s, run.sentences[i]},
                {u"searchText"_s, searchText(run.entries[i])},
                {u"sent"_s, sentence.sent},
                {u"percent"_s, scored ? QJsonValue(*sentence.percent) : null},
                {u"overall"_s, scored ? overallJson(sentence.overall) : null},
                {u"label2"_s, scored ? QJsonValue(sentence.label2) : null},
                {u"results"_s, resultsJson(sentence.results)},
                {u"coverage"_s, finding.coverage ? QJsonValue(*finding.coverage) : null},
                {u"band"_s, bandName(finding.band)},
                {u"section"_s, finding.section ? QJsonValue(qint64(*finding.section)) : null},
            });
        }
        outcome.standardOutput = jsonBytes({
            {u"sentences"_s, sentences},
            {u"overall"_s, overallJson(run.overall)},
            {u"copyRatio"_s, hundredthsJson(checkedReport.findings.copyRatio)},
            {u"copyRatioWithoutReferences"_s,
             hundredthsJson(checkedReport.findings.copyRatioWithoutReferences)},
            {u"sections"_s, sectionsJson(checkedReport.findings)},
            {u"sources"_s, sourcesJson(checkedReport.findings)},
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
    out += u"overall\t"_s + run.overall + u"%\n"_s;
    outcome.standardOutput = out.toUtf8();
    return outcome;
}

} // namespace quarnex
