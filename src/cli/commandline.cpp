// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include <QCommandLineParser>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// The options that take a value, and the commands each applies to, separated by spaces.
struct ValueOption {
    QStringView name;
    QStringView valueName;
    QStringView commands;

    QString bareName() const { return name.sliced(2).toString(); }
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
    {optionSearchBase, u"URL", u"query check"},
    {optionEngine, u"NAME", u"query check"},
    {optionSentence, u"TEXT", u"score"},
    {optionPause, u"SECONDS", u"check"},
    {optionReport, u"OUT", u"check"},
    {optionPdf, u"OUT", u"check"},
    {optionSave, u"OUT", u"check"},
    {optionResume, u"FILE", u"check"},
};

// "--fast" or "-x" as the user typed it, from the name the parser reports.
QString dashedName(const QString &name)
{
    return (name.size() == 1 ? u"-"_s : u"--"_s) + name;
}

// The parser's "Missing value after '--engine'." as one of our messages.
QString parserMessage(QString text)
{
    if (text.endsWith(u'.'))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

} // namespace

std::optional<QString> CommandLine::value(QStringView option) const
{
    const auto it = values.constFind(option.toString());
    return it == values.cend() ? std::nullopt : std::optional(*it);
}

Result<CommandLine> parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({u"h"_s, u"help"_s}, QString());
    const QCommandLineOption version(u"version"_s, QString());
    const QCommandLineOption json(u"json"_s, QString());
    const QCommandLineOption skipReferences(u"skip-references"_s, QString());
    parser.addOptions({help, version, json, skipReferences});
    for (const ValueOption &option : valueOptions)
        parser.addOption({option.bareName(), QString(), option.valueName.toString()});

    // The parser takes the program name first.
    const bool parsed = parser.parse(QStringList(u"quarnex-cli"_s) + arguments);
    CommandLine line;
    line.help = parser.isSet(help);
    line.version = parser.isSet(version);
    if (line.help || line.version)
        return line;
    if (!parsed) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return usageError(u"unknown option '"_s + dashedName(unknown.first()) + u'\'');
        return usageError(parserMessage(parser.errorText()));
    }

    line.json = parser.isSet(json);
    line.skipReferences = parser.isSet(skipReferences);
    for (const ValueOption &option : valueOptions) {
        if (parser.isSet(option.bareName()))
            line.values.insert(option.name.toString(), parser.value(option.bareName()));
    }
    line.operands = parser.positionalArguments();
    if (!line.operands.isEmpty())
        line.command = line.operands.takeFirst();
    return line;
}

std::optional<Failure> checkShape(const CommandLine &line, qsizetype minOperands,
                                  qsizetype maxOperands)
{
    for (const ValueOption &option : valueOptions) {
        if (line.values.contains(option.name.toString()) && !option.appliesTo(line.command))
            return usageError(option.name.toString() + u" does not apply to "_s + line.command);
    }
    if (line.skipReferences && line.command != u"check")
        return usageError(u"--skip-references does not apply to "_s + line.command);
    if (line.operands.size() < minOperands)
        return usageError(line.command + u": missing operand"_s);
    if (line.operands.size() > maxOperands)
        return usageError(line.command + u": unexpected operand '"_s + line.operands[maxOperands] +
                          u'\'');
    return std::nullopt;
}

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
        [--pdf OUT] [--skip-references] [--save OUT | --resume FILE] [FILE]
                           The automatic compare without a window: analyse the
                           paper, search every entry in turn, SECONDS apart (default
                           1), score each result page, then build the report. Prints
                           each sentence's number, percent and overall figure, then
                           the final overall; JSON gives "sentences" (number,
                           sentence, searchText, sent, percent, overall, label2,
                           results, coverage, band, section), "overall",
                           "copyRatio", "copyRatioWithoutReferences", "sections",
                           "sources", "stopped" and "report" (the similar-website
                           table). --report and --pdf write the check report: the
                           copy ratios, each sentence in its colour band with its
                           sources, the chapters and the similar websites, as one
                           HTML page or an A4 PDF. --skip-references sends nothing
                           of the table of contents and the references. --save
                           writes the check as a .qxcheck file (the paper, every
                           page read, the run's state); --resume FILE carries on
                           the check saved there, from where it stood, instead of
                           reading a paper, and writes it back. Progress goes to
                           standard error. The run stops, with status 3, on a page
                           without highlighting or when a search still fails after
                           three retries.
  compare PAPER REFERENCE  Find the reference's sentences in the paper: the message,
                           then each mark as "start length".
  text [FILE]              Print the text Open puts into the editor: RTF, Word
                           (.doc through catdoc or antiword, .docx), OpenDocument
                           (.odt), PDF or plain text, told apart by content; JSON
                           adds "format" (rtf, doc, docx, odt, pdf or text).

Options:
  --json                   Print one JSON object (UTF-8) instead; allowed anywhere.
  -h, --help               Print this help and exit.
  --version                Print the version and exit.
  --                       Everything after it is a file name.

A FILE that is "-" or left out is standard input; only one of PAPER and REFERENCE
may be "-". Every FILE is read as Open reads it, by its content: RTF, Word and
OpenDocument give their text (body, then footnotes, headers and footers, endnotes);
plain text is decoded by its byte-order mark, else as UTF-8 when valid, else as
UTF-16 when its bytes look like it, else as GB18030; binary content is refused;
every line break then becomes CR LF. Only regular files are read, plain text and
RTF up to 64 MB, Word and OpenDocument files up to 200 MB (standard input too).
Lengths and positions count UTF-16 code units.

Exit status: 0 on success; 1 when a file cannot be read or written or its content
is malformed; 2 on a fault of the command line; 3 when check stopped before the
last sentence.
)"_s;
}

} // namespace quarnex
