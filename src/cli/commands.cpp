// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "check.h"
#include "check/analysis.h"
#include "check/page.h"
#include "check/report.h"
#include "check/results.h"
#include "commandline.h"
#include "comparator/comparison.h"
#include "documents/plaintext.h"
#include "input.h"
#include "version.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <utility>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

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
    case DocumentFormat::Pdf:
        return u"pdf"_s;
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

CliOutcome runCli(const QStringList &arguments, const StandardInput &readStandardInput,
                  const ProgressOutput &progress)
{
    using Command = Result<QByteArray> (*)(const CommandLine &, const StandardInput &);
    static const QHash<QString, Command> commands = {
        {u"analyse"_s, runAnalyse}, {u"query"_s, runQuery},     {u"score"_s, runScore},
        {u"report"_s, runReport},   {u"compare"_s, runCompare}, {u"text"_s, runText},
    };

    Result<CliOutcome> output = [&]() -> Result<CliOutcome> {
        Result<CommandLine> line = parseCommandLine(arguments);
        if (!line)
            return line.failure();
        if (line->help)
            return CliOutcome{exitSuccess, cliUsage().toUtf8(), {}};
        if (line->version)
            return CliOutcome{exitSuccess, "quarnex-cli " QUARNEX_VERSION "\n"_ba, {}};
        if (line->command.isNull())
            return usageError(u"missing command"_s);
        // The one command that can end in more ways than success or failure.
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
    // One line: what is wrong, and where to read how it is done right.
    const Failure &failure = output.failure();
    QString error = u"quarnex-cli: "_s + failure.message;
    if (failure.usage)
        error += u"; try 'quarnex-cli --help'"_s;
    return {failure.usage ? exitUsage : exitFailure, {}, (error + u'\n').toUtf8()};
}

} // namespace quarnex
