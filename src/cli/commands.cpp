#include "commands.h"

#include "check/analysis.h"
#include "check/numbers.h"
#include "check/page.h"
#include "check/report.h"
#include "check/results.h"
#include "check/search.h"
#include "comparator/comparison.h"
#include "documents/document.h"
#include "documents/plaintext.h"
#include "fetch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// Why a command could not run, in words for the user. A fault of the command line itself also
// shows the usage.
struct Failure {
    QString message;
    bool showUsage = false;
};

// A value, or the failure that stood in its way.
template<typename T> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return m_value.has_value(); }
    T &operator*() { return *m_value; }
    T *operator->() { return &*m_value; }
    const Failure &failure() const { return m_failure; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

Failure usageError(QString message)
{
    return {std::move(message), true};
}

constexpr QStringView optionSearchBase = u"--search-base";
constexpr QStringView optionEngine = u"--engine";
constexpr QStringView optionSentence = u"--sentence";
constexpr QStringView optionPause = u"--pause";
constexpr QStringView optionReport = u"--report";

// The options that take a value, and the commands each applies to, separated by spaces.
struct ValueOption {
    QStringView name;
    QStringView commands;

    bool appliesTo(QStringView command) const
    {
        for (const QStringView known : commands.tokenize(u' ')) {
            if (known == command)
                return true;
        }
        return false;
    }
};
constexpr ValueOption valueOptions[] = {
    {optionSearchBase, u"query check"}, {optionEngine, u"query check"},
    {optionSentence, u"score"},         {optionPause, u"check"},
    {optionReport, u"check"},
};

struct CommandLine {
    QString command;
    QStringList operands;
    bool json = false;
    QHash<QString, QString> values;

    std::optional<QString> value(QStringView option) const
    {
        const auto it = values.constFind(option.toString());
        return it == values.cend() ? std::nullopt : std::optional(*it);
    }
};

bool isHelpRequest(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (argument == u"--")
            return false;
        if (argument == u"--help" || argument == u"-h")
            return true;
    }
    return false;
}

// Options may stand anywhere, before or after the command; "--" ends them, so that a file
// named "--json" can still be given. "-" alone is an operand: standard input.
Result<CommandLine> parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || argument == u"-" || !argument.startsWith(u'-')) {
            if (line.command.isNull())
                line.command = argument;
            else
                line.operands.append(argument);
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        if (argument == u"--json") {
            line.json = true;
            continue;
        }
        // "--engine zhiwang" and "--engine=zhiwang" alike.
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = equals > 2 ? argument.first(equals) : argument;
        const auto option =
            std::find_if(std::begin(valueOptions), std::end(valueOptions),
                         [&name](const ValueOption &known) { return known.name == name; });
        if (option == std::end(valueOptions))
            return usageError(u"unknown option "_s + argument);
        if (equals > 2)
            line.values.insert(name, argument.sliced(equals + 1));
        else if (i + 1 < arguments.size())
            line.values.insert(name, arguments[++i]);
        else
            return usageError(u"option "_s + name + u" needs a value"_s);
    }
    return line;
}

// Checks what a command accepts: its options and between minOperands and maxOperands operands.
std::optional<Failure> checkShape(const CommandLine &line, qsizetype minOperands,
                                  qsizetype maxOperands)
{
    for (auto it = line.values.cbegin(); it != line.values.cend(); ++it) {
        for (const ValueOption &option : valueOptions) {
            if (option.name == it.key() && !option.appliesTo(line.command))
                return usageError(it.key() + u" does not apply to "_s + line.command);
        }
    }
    if (line.operands.size() < minOperands)
        return usageError(line.command + u": missing operand"_s);
    if (line.operands.size() > maxOperands)
        return usageError(line.command + u": unexpected operand "_s + line.operands[maxOperands]);
    return std::nullopt;
}

using StandardInput = std::function<QByteArray()>;

bool isStandardInput(const QString &operand)
{
    return operand.isNull() || operand == u"-";
}

// A file operand as the user named it, for messages.
QString displayName(const QString &operand)
{
    return isStandardInput(operand) ? u"standard input"_s : u"'"_s + operand + u"'"_s;
}

Failure unreadable(const QString &operand, const QString &reason)
{
    return {u"cannot read "_s + displayName(operand) + u": "_s + reason};
}

// The bytes of a file or of standard input, within the document reader's limits of kind and
// size.
Result<QByteArray> readBytes(const QString &operand, const StandardInput &readStandardInput)
{
    QByteArray bytes;
    QString error;
    if (isStandardInput(operand)) {
        bytes = readStandardInput();
        if (!withinSizeLimit(bytes, &error))
            return unreadable(operand, error);
    } else if (!readDocumentFile(operand, &bytes, &error)) {
        return unreadable(operand, error);
    }
    return bytes;
}

struct EditorText {
    QString text;
    DocumentFormat format;
};

// A file as Open puts it into the editor, told apart by its content: RTF, Word, OpenDocument or
// plain text; every line break CR LF.
Result<EditorText> readDocument(const QString &operand, const StandardInput &readStandardInput)
{
    Result<QByteArray> bytes = readBytes(operand, readStandardInput);
    if (!bytes)
        return bytes.failure();
    QString text;
    const LoadedDocument loaded = readDocumentText(*bytes, &text);
    if (!loaded.ok)
        return unreadable(operand, loaded.error);
    return EditorText{withCrLfBreaks(text), loaded.format};
}

Result<QString> readEditorText(const QString &operand, const StandardInput &readStandardInput)
{
    Result<EditorText> document = readDocument(operand, readStandardInput);
    if (!document)
        return document.failure();
    return std::move(document->text);
}

QString operandOrStandardInput(const CommandLine &line, qsizetype index)
{
    return index < line.operands.size() ? line.operands[index] : QString();
}

// Compact: a report of 50,000 slots comes out a third faster than indented.
QByteArray jsonBytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

Result<QByteArray> runAnalyse(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    Result<QString> text = readEditorText(operandOrStandardInput(line, 0), readStandardInput);
    if (!text)
        return text.failure();

    const Analysis analysis = analyse(*text);
    if (line.json) {
        return jsonBytes({
            {u"characters"_s, qint64(analysis.characters)},
            {u"caption"_s, analysis.caption},
            {u"analysedText"_s, analysis.analysedText},
            {u"sentences"_s, QJsonArray::fromStringList(analysis.sentences)},
            {u"entries"_s, QJsonArray::fromStringList(analysis.entries)},
        });
    }
    QString out = analysis.caption + u'\n';
    for (const QString &entry : analysis.entries)
        out += entry + u'\n';
    return out.toUtf8();
}

Result<Engine> engineOption(const CommandLine &line)
{
    const auto name = line.value(optionEngine);
    if (!name)
        return Engine::Baidu;
    const auto known = engineFromName(*name);
    if (!known)
        return usageError(u"unknown engine '"_s + *name + u"' (baidu, zhiwang or longyuan)"_s);
    return *known;
}

// Where the searches go: the engine item and the Baidu base address of the command line.
struct SearchSite {
    Engine engine;
    QString base;
    QString address(const QString &text) const { return queryAddress(engine, base, text); }
};

Result<SearchSite> searchSiteOption(const CommandLine &line)
{
    Result<Engine> engine = engineOption(line);
    if (!engine)
        return engine.failure();
    return SearchSite{*engine, line.value(optionSearchBase).value_or(defaultSearchBase.toString())};
}

Result<QByteArray> runQuery(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    Result<SearchSite> site = searchSiteOption(line);
    if (!site)
        return site.failure();
    Result<QString> text = readEditorText(operandOrStandardInput(line, 0), readStandardInput);
    if (!text)
        return text.failure();

    QJsonArray queries;
    QString out;
    for (const QString &entry : analyse(*text).entries) {
        const QString search = searchText(entry);
        const bool blank = isBlankSearchText(search);
        const QString address = blank ? QString() : site->address(search);
        queries.append(QJsonObject{
            {u"entry"_s, entry},
            {u"searchText"_s, search},
            {u"blank"_s, blank},
            {u"url"_s, blank ? QJsonValue(QJsonValue::Null) : QJsonValue(address)},
        });
        out += entry + u'\t' + (blank ? u"(blank: nothing sent)"_s : address) + u'\n';
    }
    if (line.json)
        return jsonBytes({{u"queries"_s, queries}});
    return out.toUtf8();
}

QJsonArray resultsJson(const QList<SearchResult> &results)
{
    QJsonArray array;
    for (const SearchResult &result : results)
        array.append(QJsonObject{{u"title"_s, result.title}, {u"url"_s, result.url}});
    return array;
}

Result<QByteArray> runScore(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    const auto sentence = line.value(optionSentence);
    if (!sentence)
        return usageError(u"score needs --sentence TEXT"_s);
    Result<QString> page = readEditorText(operandOrStandardInput(line, 0), readStandardInput);
    if (!page)
        return page.failure();

    const PageReading reading = readPage(*page, *sentence);
    if (line.json) {
        return jsonBytes({
            {u"pageTextLength"_s, qint64(reading.pageTextLength)},
            {u"highlighted"_s, reading.highlight.text},
            {u"openTag"_s, reading.highlight.openTagFound},
            {u"percent"_s, reading.percent},
            {u"results"_s, resultsJson(reading.results)},
        });
    }
    QString out = u"page text: "_s + QString::number(reading.pageTextLength) +
                  u" characters\nopen tag found: "_s +
                  (reading.highlight.openTagFound ? u"yes"_s : u"no"_s) + u"\nhighlighted: "_s +
                  reading.highlight.text + u"\npercent: "_s + QString::number(reading.percent) +
                  u"\nresults: "_s + QString::number(reading.results.size()) + u'\n';
    for (qsizetype i = 0; i < reading.results.size(); ++i) {
        out += QString::number(i + 1) + u'\t' + reading.results[i].title + u'\t' +
               reading.results[i].url + u'\n';
    }
    return out.toUtf8();
}

// "line 3, column 7" of a byte offset into UTF-8 text; the column counts UTF-16 code units.
QString lineAndColumn(const QByteArray &utf8, qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, utf8.size());
    const QByteArrayView before = QByteArrayView(utf8).first(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    const qsizetype column = QString::fromUtf8(before.sliced(lineStart)).size() + 1;
    return u"line "_s + QString::number(before.count('\n') + 1) + u", column "_s +
           QString::number(column);
}

Result<QStringList> stringArray(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return Failure{u"\""_s + key + u"\" must be an array of strings"_s};
    const QJsonArray array = value.toArray();
    QStringList strings;
    strings.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue item = array.at(i);
        if (!item.isString()) {
            return Failure{u"\""_s + key + u"\" must be an array of strings; item "_s +
                           QString::number(i) + u" is not a string"_s};
        }
        strings.append(item.toString());
    }
    return strings;
}

// SLOTS: {"titles": [...], "urls": [...]}, one string per slot, "" for an empty slot.
Result<ResultSlots> parseSlots(const QByteArray &bytes, const QString &name)
{
    // The JSON reader takes UTF-8, with or without a byte-order mark, and rejects anything
    // else, so the bytes are decoded like any other file (UTF-16, GBK) only when it fails:
    // a large plain UTF-8 file is not converted twice.
    QByteArray utf8 = bytes;
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error != QJsonParseError::NoError) {
        const DecodedText decoded = decodePlainText(bytes);
        if (decoded.encoding != TextEncoding::Utf8) {
            utf8 = decoded.text.toUtf8();
            document = QJsonDocument::fromJson(utf8, &error);
        }
    }
    if (error.error != QJsonParseError::NoError) {
        return Failure{name + u" is not valid JSON: "_s + error.errorString() +
                       u" at byte offset "_s + QString::number(error.offset) + u" ("_s +
                       lineAndColumn(utf8, error.offset) + u')'};
    }
    const QString shape = u"{\"titles\": [...], \"urls\": [...]}"_s;
    if (!document.isObject())
        return Failure{name + u" must hold a JSON object "_s + shape};
    const QJsonObject object = document.object();
    Result<QStringList> titles = stringArray(object, u"titles"_s);
    if (!titles)
        return Failure{name + u": "_s + titles.failure().message};
    Result<QStringList> urls = stringArray(object, u"urls"_s);
    if (!urls)
        return Failure{name + u": "_s + urls.failure().message};
    if (titles->size() != urls->size()) {
        return Failure{name + u": \"titles\" has "_s + QString::number(titles->size()) +
                       u" items but \"urls\" has "_s + QString::number(urls->size())};
    }

    ResultSlots slots;
    slots.counts.resize(titles->size());
    slots.titles = std::move(*titles);
    slots.urls = std::move(*urls);
    return slots;
}

Result<QByteArray> runReport(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    const QString operand = operandOrStandardInput(line, 0);
    Result<QByteArray> bytes = readBytes(operand, readStandardInput);
    if (!bytes)
        return bytes.failure();
    Result<ResultSlots> slots = parseSlots(*bytes, displayName(operand));
    if (!slots)
        return slots.failure();

    recountResults(*slots);
    const QString html = reportHtml(*slots);
    if (!line.json)
        return html.toUtf8();
    QJsonArray counts;
    for (const std::optional<qint64> &count : std::as_const(slots->counts))
        counts.append(count ? QJsonValue(*count) : QJsonValue(QJsonValue::Null));
    return jsonBytes({
        {u"html"_s, html},
        {u"titles"_s, QJsonArray::fromStringList(slots->titles)},
        {u"urls"_s, QJsonArray::fromStringList(slots->urls)},
        {u"counts"_s, counts},
    });
}

// What the automatic compare did with one list entry.
struct CheckedSentence {
    bool sent = false;
    // Empty when no page was scored for it.
    std::optional<qint64> percent;
    QString overall;
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
    return (u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Report</title></head>"
            u"<body>"_s +
            reportHtml + u"</body></html>\n"_s)
        .toUtf8();
}

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
                overall = formatHundredths(roundedHundredths(similaritySum, scoredCount).value());
                sentence.percent = reading.percent;
                sentence.overall = overall;
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
                {u"overall"_s, scored ? QJsonValue(sentence.overall) : null},
                {u"label2"_s, scored ? QJsonValue(sentence.label2) : null},
                {u"results"_s, resultsJson(sentence.results)},
            });
        }
        outcome.standardOutput = jsonBytes({
            {u"sentences"_s, sentences},
            {u"overall"_s, overall},
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

Result<QByteArray> runCompare(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 2, 2))
        return *failure;
    if (line.operands[0] == u"-" && line.operands[1] == u"-")
        return usageError(u"compare: only one of PAPER and REFERENCE can be standard input"_s);
    Result<QString> paper = readEditorText(line.operands[0], readStandardInput);
    if (!paper)
        return paper.failure();
    Result<QString> reference = readEditorText(line.operands[1], readStandardInput);
    if (!reference)
        return reference.failure();

    const Comparison comparison = compareWithReference(*paper, *reference);
    const qint64 paperLength = paper->size();
    const qint64 share = percentOf(comparison.repeatedChars, paperLength);
    const qint64 similarity = percentOf(comparison.repeatedChars, reference->size());
    const QString message =
        comparisonMessage(paperLength, comparison.extraOccurrences, comparison.repeatedSentences,
                          comparison.repeatedChars, share, similarity);
    if (line.json) {
        QJsonArray marks;
        for (const Mark &mark : comparison.marks)
            marks.append(QJsonArray{qint64(mark.start), qint64(mark.length)});
        return jsonBytes({
            {u"message"_s, message},
            {u"marks"_s, marks},
            {u"paragraphs"_s, comparison.extraOccurrences},
            {u"sentences"_s, comparison.repeatedSentences},
            {u"characters"_s, comparison.repeatedChars},
            {u"share"_s, share},
            {u"similarity"_s, similarity},
            {u"referenceSentences"_s, QJsonArray::fromStringList(comparison.referenceSentences)},
        });
    }
    QString out = QString(message).replace(u"\r\n"_s, u"\n"_s) + u"\nmarks (start length): "_s +
                  QString::number(comparison.marks.size()) + u'\n';
    for (const Mark &mark : comparison.marks)
        out += QString::number(mark.start) + u' ' + QString::number(mark.length) + u'\n';
    return out.toUtf8();
}

QString formatName(DocumentFormat format)
{
    switch (format) {
    case DocumentFormat::Rtf:
        return u"rtf"_s;
    case DocumentFormat::Doc:
        return u"doc"_s;
    case DocumentFormat::Docx:
        return u"docx"_s;
    case DocumentFormat::Odt:
        return u"odt"_s;
    case DocumentFormat::Text:
        break;
    }
    return u"text"_s;
}

Result<QByteArray> runText(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    Result<EditorText> document = readDocument(operandOrStandardInput(line, 0), readStandardInput);
    if (!document)
        return document.failure();
    if (line.json) {
        return jsonBytes(
            {{u"text"_s, document->text}, {u"format"_s, formatName(document->format)}});
    }
    return document->text.toUtf8();
}

} // namespace

QString cliUsage()
{
    return uR"(Usage: quarnex-cli COMMAND [OPTIONS] [FILE...]

Commands:
  analyse [FILE]           Cut the paper into sentences: the caption, then one list
                           entry per line.
  query [--engine NAME] [--search-base URL] [FILE]
                           Analyse the paper, then give each entry's query address
                           (readable, not percent-encoded). NAME is baidu (default),
                           zhiwang or longyuan; URL is the Baidu base address
                           (default https://www.baidu.com).
  score --sentence TEXT [PAGE]
                           Score the result page body PAGE for the sentence TEXT and
                           list its results (at most ten).
  report [SLOTS]           Recount the result slots of SLOTS, a JSON object
                           {"titles": [...], "urls": [...]} of equally long string
                           arrays ("" is an empty slot), and print the report HTML
                           exactly as built, with no newline after it.
  check [--engine NAME] [--search-base URL] [--pause SECONDS] [--report OUT]
        [FILE]             The automatic compare without a window: analyse the
                           paper, search every entry in turn, SECONDS apart (default
                           1), score each result page, then build the report. Prints
                           each sentence's number, percent and overall figure, then
                           the final overall; JSON gives "sentences" (number,
                           sentence, searchText, sent, percent, overall, label2,
                           results), "overall", "stopped" and "report". OUT gets the
                           report as an HTML page of its own. Progress goes to
                           standard error. The run stops, with status 3, on a page
                           without highlighting or when a search still fails after
                           three retries.
  compare PAPER REFERENCE  Find the reference's sentences in the paper: the message,
                           then each mark as "start length".
  text [FILE]              Print the text Open puts into the editor: RTF, Word
                           (.doc through catdoc or antiword, .docx), OpenDocument
                           (.odt) or plain text, told apart by content; JSON adds
                           "format" (rtf, doc, docx, odt or text).

Options:
  --json                   Print one JSON object (UTF-8) instead; allowed anywhere.
  --help, -h               Print this help and exit.
  --                       Everything after it is a file name.

A FILE that is "-" or left out is standard input; only one of PAPER and REFERENCE
may be "-". Every FILE is read as Open reads it, by its content: RTF, Word and
OpenDocument give their text (body, then footnotes, headers and footers, endnotes);
plain text is decoded by its byte-order mark, else as UTF-8 when valid, else as
UTF-16 when its bytes look like it, else as GB18030; binary content is refused;
every line break then becomes CR LF. Only regular files are read, plain text and
RTF up to 64 MB, Word and OpenDocument files up to 200 MB (standard input too).
Lengths and positions count UTF-16 code units.

Exit status: 0 on success, 2 on bad arguments, unreadable files or malformed input,
3 when check stopped before the last sentence.
)"_s;
}

CliOutcome runCli(const QStringList &arguments, const StandardInput &readStandardInput,
                  const ProgressOutput &progress)
{
    if (isHelpRequest(arguments))
        return {exitSuccess, cliUsage().toUtf8(), {}};

    using Command = Result<QByteArray> (*)(const CommandLine &, const StandardInput &);
    static const QHash<QString, Command> commands = {
        {u"analyse"_s, runAnalyse}, {u"query"_s, runQuery},     {u"score"_s, runScore},
        {u"report"_s, runReport},   {u"compare"_s, runCompare}, {u"text"_s, runText},
    };

    Result<CliOutcome> output = [&]() -> Result<CliOutcome> {
        Result<CommandLine> line = parseCommandLine(arguments);
        if (!line)
            return line.failure();
        if (line->command.isNull())
            return usageError(u"missing command"_s);
        // The one command that can end in more ways than success or bad input.
        if (line->command == u"check")
            return runCheck(*line, readStandardInput, progress);
        const Command command = commands.value(line->command);
        if (!command)
            return usageError(u"unknown command '"_s + line->command + u'\'');
        Result<QByteArray> bytes = command(*line, readStandardInput);
        if (!bytes)
            return bytes.failure();
        return CliOutcome{exitSuccess, std::move(*bytes), {}};
    }();

    if (output)
        return std::move(*output);
    QString error = u"quarnex-cli: "_s + output.failure().message + u'\n';
    if (output.failure().showUsage)
        error += u'\n' + cliUsage();
    return {exitBadInput, {}, error.toUtf8()};
}

} // namespace quarnex
