#include "commands.h"

#include "check/analysis.h"
#include "check/page.h"
#include "check/report.h"
#include "check/results.h"
#include "check/search.h"
#include "comparator/comparison.h"
#include "documents/document.h"
#include "documents/plaintext.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTemporaryFile>
#include <QTextDocument>

#include <algorithm>
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

// The options that take a value, and the only command each applies to.
struct ValueOption {
    QStringView name;
    QStringView command;
};
constexpr ValueOption valueOptions[] = {
    {optionSearchBase, u"query"},
    {optionEngine, u"query"},
    {optionSentence, u"score"},
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
            if (option.name == it.key() && option.command != line.command)
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

Result<QByteArray> readBytes(const QString &operand, const StandardInput &readStandardInput)
{
    if (isStandardInput(operand))
        return readStandardInput();
    QFile file(operand);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{u"cannot read "_s + displayName(operand) + u": "_s + file.errorString()};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failure{u"cannot read "_s + displayName(operand) + u": "_s + file.errorString()};
    return bytes;
}

// A file as the editor shows it: decoded by its encoding, every line break CR LF.
Result<QString> readEditorText(const QString &operand, const StandardInput &readStandardInput)
{
    Result<QByteArray> bytes = readBytes(operand, readStandardInput);
    if (!bytes)
        return bytes.failure();
    return withCrLfBreaks(decodePlainText(*bytes).text);
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

Result<QByteArray> runQuery(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    Engine engine = Engine::Baidu;
    if (const auto name = line.value(optionEngine)) {
        const auto known = engineFromName(*name);
        if (!known)
            return usageError(u"unknown engine '"_s + *name + u"' (baidu, zhiwang or longyuan)"_s);
        engine = *known;
    }
    const QString base = line.value(optionSearchBase).value_or(defaultSearchBase.toString());
    Result<QString> text = readEditorText(operandOrStandardInput(line, 0), readStandardInput);
    if (!text)
        return text.failure();

    QJsonArray queries;
    QString out;
    for (const QString &entry : analyse(*text).entries) {
        const QString search = searchText(entry);
        const bool blank = isBlankSearchText(search);
        const QString address = blank ? QString() : queryAddress(engine, base, search);
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
        QJsonArray results;
        for (const SearchResult &result : reading.results)
            results.append(QJsonObject{{u"title"_s, result.title}, {u"url"_s, result.url}});
        return jsonBytes({
            {u"pageTextLength"_s, qint64(reading.pageTextLength)},
            {u"highlighted"_s, reading.highlight.text},
            {u"openTag"_s, reading.highlight.openTagFound},
            {u"percent"_s, reading.percent},
            {u"results"_s, results},
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
    case DocumentFormat::Text:
        break;
    }
    return u"text"_s;
}

Result<QByteArray> runText(const CommandLine &line, const StandardInput &readStandardInput)
{
    if (auto failure = checkShape(line, 0, 1))
        return *failure;
    const QString operand = operandOrStandardInput(line, 0);
    // Open reads files by name; standard input goes through a nameless copy, so only its
    // content decides how it is read.
    QString path = operand;
    QTemporaryFile copy;
    if (isStandardInput(operand)) {
        const QByteArray bytes = readStandardInput();
        if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush())
            return Failure{u"cannot keep a copy of standard input: "_s + copy.errorString()};
        path = copy.fileName();
    }
    QTextDocument document;
    const LoadedDocument loaded = loadDocument(path, &document);
    if (!loaded.ok)
        return Failure{u"cannot read "_s + displayName(operand) + u": "_s + loaded.error};

    const QString text = withCrLfBreaks(document.toPlainText());
    if (line.json)
        return jsonBytes({{u"text"_s, text}, {u"format"_s, formatName(loaded.format)}});
    return text.toUtf8();
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
  compare PAPER REFERENCE  Find the reference's sentences in the paper: the message,
                           then each mark as "start length".
  text [FILE]              Print the text Open puts into the editor: RTF, Word
                           (.doc through catdoc or antiword, .docx) or plain text,
                           told apart by content; JSON adds "format" (rtf, doc, docx
                           or text).

Options:
  --json                   Print one JSON object (UTF-8) instead; allowed anywhere.
  --help, -h               Print this help and exit.
  --                       Everything after it is a file name.

A FILE that is "-" or left out is standard input; only one of PAPER and REFERENCE
may be "-". Files are read as the editor reads them: a byte-order mark selects UTF-8
or UTF-16, else UTF-8 when the bytes are valid UTF-8, else GBK; every line break then
becomes CR LF. Lengths and positions count UTF-16 code units.

Exit status: 0 on success, 2 on bad arguments, unreadable files or malformed input.
)"_s;
}

CliOutcome runCli(const QStringList &arguments, const StandardInput &readStandardInput)
{
    if (isHelpRequest(arguments))
        return {exitSuccess, cliUsage().toUtf8(), {}};

    using Command = Result<QByteArray> (*)(const CommandLine &, const StandardInput &);
    static const QHash<QString, Command> commands = {
        {u"analyse"_s, runAnalyse}, {u"query"_s, runQuery},     {u"score"_s, runScore},
        {u"report"_s, runReport},   {u"compare"_s, runCompare}, {u"text"_s, runText},
    };

    Result<QByteArray> output = [&]() -> Result<QByteArray> {
        Result<CommandLine> line = parseCommandLine(arguments);
        if (!line)
            return line.failure();
        if (line->command.isNull())
            return usageError(u"missing command"_s);
        const Command command = commands.value(line->command);
        if (!command)
            return usageError(u"unknown command '"_s + line->command + u'\'');
        return command(*line, readStandardInput);
    }();

    if (output)
        return {exitSuccess, std::move(*output), {}};
    QString error = u"quarnex-cli: "_s + output.failure().message + u'\n';
    if (output.failure().showUsage)
        error += u'\n' + cliUsage();
    return {exitBadInput, {}, error.toUtf8()};
}

} // namespace quarnex
