// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands share: reading their operands as Open reads files, the search site of the
// options, and JSON output.
#pragma once

#include "check/page.h"
#include "check/search.h"
#include "commandline.h"
#include "documents/document.h"
#include "outcome.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>

namespace quarnex {

using StandardInput = std::function<QByteArray()>;

// A file operand as the user named it, for messages: 'paper.txt' or standard input.
QString displayName(const QString &operand);

// The operand at `index`, or standard input when the line has no such operand.
QString operandOrStandardInput(const CommandLine &line, qsizetype index);

// The bytes of a file or of standard input ("-" or a null operand), within the document
// reader's limits of kind and size.
Result<QByteArray> readBytes(const QString &operand, const StandardInput &readStandardInput);

struct EditorText {
    QString text;
    DocumentFormat format;
};

// A file as Open puts it into the editor, told apart by its content: RTF, Word, OpenDocument or
// plain text; every line break CR LF.
Result<EditorText> readDocument(const QString &operand, const StandardInput &readStandardInput);
Result<QString> readEditorText(const QString &operand, const StandardInput &readStandardInput);

// Where the searches go: the engine item and the Baidu base address of the command line.
struct SearchSite {
    Engine engine;
    QString base;
    QString address(const QString &text) const { return queryAddress(engine, base, text); }
};
Result<SearchSite> searchSiteOption(const CommandLine &line);

QJsonArray resultsJson(const QList<SearchResult> &results);

// One compact object and a newline.
QByteArray jsonBytes(const QJsonObject &object);

} // namespace quarnex
