// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkfile.h"

#include "checkrun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

QJsonArray stringsJson(const QStringList &strings)
{
    return QJsonArray::fromStringList(strings);
}

QJsonObject pageJson(const SentencePage &page)
{
    QJsonArray results;
    for (const ResultText &result : page.evidence.results)
        results.append(QJsonObject{{u"title"_s, result.result.title},
                                   {u"url"_s, result.result.url},
                                   {u"text"_s, result.text}});
    return {{u"percent"_s, page.percent},
            {u"overall"_s, page.overall},
            {u"pieces"_s, stringsJson(page.evidence.pieces)},
            {u"results"_s, results}};
}

// Reading: each step either gives its value or records the first fault.
struct Reader {
    std::optional<QString> fault;

    void fail(const QString &what)
    {
        if (!fault)
            fault = what;
    }
    QJsonValue member(const QJsonObject &object, const QString &name)
    {
        const QJsonValue value = object.value(name);
        if (value.isUndefined())
            fail(u"缺少“%1”"_s.arg(name));
        return value;
    }
    // The member when it is of the type `is` tests for, else a fault: `fault` names the type.
    QJsonValue typed(const QJsonObject &object, const QString &name, bool (QJsonValue::*is)() const,
                     const QString &fault)
    {
        const QJsonValue value = member(object, name);
        if (!(value.*is)())
            fail(fault.arg(name));
        return value;
    }
    QString string(const QJsonObject &object, const QString &name)
    {
        return typed(object, name, &QJsonValue::isString, u"“%1”不是文字"_s).toString();
    }
    qint64 integer(const QJsonObject &object, const QString &name, qint64 low, qint64 high)
    {
        const QJsonValue value = member(object, name);
        const double number = value.toDouble(-1);
        const qint64 whole = value.toInteger(low - 1);
        if (!value.isDouble() || double(whole) != number || whole < low || whole > high)
            fail(u"“%1”不是所需范围内的整数"_s.arg(name));
        return whole;
    }
    QJsonObject object(const QJsonObject &object, const QString &name)
    {
        return typed(object, name, &QJsonValue::isObject, u"“%1”不是对象"_s).toObject();
    }
    QJsonArray array(const QJsonObject &object, const QString &name, qsizetype size = -1)
    {
        const QJsonArray items =
            typed(object, name, &QJsonValue::isArray, u"“%1”不是列表"_s).toArray();
        if (size >= 0 && items.size() != size)
            fail(u"“%1”的长度不对"_s.arg(name));
        return items;
    }
    QStringList strings(const QJsonObject &object, const QString &name, qsizetype size = -1)
    {
        QStringList strings;
        for (const QJsonValue &item : array(object, name, size)) {
            if (!item.isString())
                fail(u"“%1”里有不是文字的项"_s.arg(name));
            strings.append(item.toString());
        }
        return strings;
    }
};

} // namespace

QByteArray writeCheckFile(const CheckRun &run, const CheckFile &file)
{
    QJsonArray pages;
    for (const std::optional<SentencePage> &page : run.pages)
        pages.append(page ? QJsonValue(pageJson(*page)) : QJsonValue(QJsonValue::Null));
    QJsonArray counts;
    const ResultSlots slots = run.results.value_or(ResultSlots::forSentences(run.sentences.size()));
    for (const std::optional<qint64> &count : slots.counts)
        counts.append(count ? QJsonValue(*count) : QJsonValue(QJsonValue::Null));
    const QJsonObject root{
        {u"format"_s, CheckFile::format.toString()},
        {u"version"_s, CheckFile::version},
        {u"paperName"_s, file.paperName},
        {u"paper"_s, run.paperText},
        {u"analysis"_s, QJsonObject{{u"analysedText"_s, run.analysedText},
                                    {u"sentences"_s, stringsJson(run.sentences)},
                                    {u"entries"_s, stringsJson(run.entries)},
                                    {u"characters"_s, qint64(run.characters)},
                                    {u"caption"_s, run.caption}}},
        {u"run"_s,
         // A sentence still on its way has not been scored: going on sends it again.
         QJsonObject{
             {u"sentenceIndex"_s,
              qint64(run.awaitingPage() ? run.lastSentIndex : run.sentenceIndex)},
             {u"lastSentIndex"_s, qint64(run.lastSentIndex)},
             {u"selectedEntry"_s, qint64(run.selectedEntry)},
             {u"skipListCompare"_s, run.skipListCompare},
             {u"similaritySum"_s, run.similaritySum},
             {u"scoredCount"_s, run.scoredCount},
             {u"overall"_s, run.overall},
             {u"skipTableOfContentsAndReferences"_s, run.skipTableOfContentsAndReferences}}},
        {u"slots"_s, QJsonObject{{u"titles"_s, stringsJson(slots.titles)},
                                 {u"urls"_s, stringsJson(slots.urls)},
                                 {u"counts"_s, counts}}},
        {u"pages"_s, pages},
        {u"window"_s, QJsonObject{{u"line1"_s, file.line1}, {u"line2"_s, file.line2}}},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<QString> readCheckFile(const QByteArray &bytes, CheckFile &file, CheckRun &run)
{
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parsed);
    if (parsed.error != QJsonParseError::NoError || !document.isObject())
        return u"这不是检测结果文件，或者文件已经损坏。"_s;
    const QJsonObject root = document.object();
    if (root.value(u"format"_s).toString() != CheckFile::format)
        return u"这不是检测结果文件。"_s;
    if (root.value(u"version"_s).toInteger() != CheckFile::version)
        return u"这个检测结果文件来自另一个版本（格式 %1），无法打开。"_s.arg(
            root.value(u"version"_s).toVariant().toString());

    Reader r;
    CheckFile read;
    read.paperName = r.string(root, u"paperName"_s);
    read.paper = r.string(root, u"paper"_s);
    const QJsonObject analysis = r.object(root, u"analysis"_s);
    read.analysis.analysedText = r.string(analysis, u"analysedText"_s);
    read.analysis.sentences = r.strings(analysis, u"sentences"_s);
    const qsizetype n = read.analysis.sentences.size();
    read.analysis.entries = r.strings(analysis, u"entries"_s, n);
    read.analysis.characters = r.integer(analysis, u"characters"_s, 0, INT_MAX);
    read.analysis.caption = r.string(analysis, u"caption"_s);
    const QJsonObject window = r.object(root, u"window"_s);
    read.line1 = r.string(window, u"line1"_s);
    read.line2 = r.string(window, u"line2"_s);

    const QJsonObject state = r.object(root, u"run"_s);
    const qint64 sentenceIndex = r.integer(state, u"sentenceIndex"_s, 0, n);
    const qint64 lastSentIndex =
        r.integer(state, u"lastSentIndex"_s, 0, std::max<qint64>(n - 1, 0));
    const qint64 selectedEntry = r.integer(state, u"selectedEntry"_s, -1, n - 1);
    const qint64 skipListCompare = r.integer(state, u"skipListCompare"_s, 0, 1);
    const qint64 similaritySum = r.integer(state, u"similaritySum"_s, 0, qint64(1) << 50);
    const qint64 scoredCount = r.integer(state, u"scoredCount"_s, -1, qint64(1) << 50);
    const QString overall = r.string(state, u"overall"_s);
    const QJsonValue skip = r.member(state, u"skipTableOfContentsAndReferences"_s);
    if (!skip.isBool())
        r.fail(u"“skipTableOfContentsAndReferences”不是真假值"_s);

    const QJsonObject slotsObject = r.object(root, u"slots"_s);
    const qsizetype slotCount = n * ResultSlots::perSentence + 1;
    ResultSlots slots;
    slots.titles = r.strings(slotsObject, u"titles"_s, slotCount);
    slots.urls = r.strings(slotsObject, u"urls"_s, slotCount);
    for (const QJsonValue &count : r.array(slotsObject, u"counts"_s, slotCount)) {
        if (!count.isNull() && !count.isDouble())
            r.fail(u"“counts”里有不是数字的项"_s);
        slots.counts.append(count.isNull() ? std::nullopt : std::optional(count.toInteger()));
    }

    QList<std::optional<SentencePage>> pages;
    for (const QJsonValue &item : r.array(root, u"pages"_s, n)) {
        if (item.isNull()) {
            pages.append(std::nullopt);
            continue;
        }
        if (!item.isObject()) {
            r.fail(u"“pages”里有不是对象的项"_s);
            break;
        }
        const QJsonObject object = item.toObject();
        SentencePage page;
        page.percent = r.integer(object, u"percent"_s, 0, qint64(1) << 50);
        page.overall = r.string(object, u"overall"_s);
        page.evidence.pieces = r.strings(object, u"pieces"_s);
        for (const QJsonValue &result : r.array(object, u"results"_s)) {
            const QJsonObject fields = result.toObject();
            page.evidence.results.append(
                {{r.string(fields, u"title"_s), r.string(fields, u"url"_s)},
                 r.string(fields, u"text"_s)});
        }
        pages.append(page);
    }
    if (r.fault)
        return u"检测结果文件已经损坏：%1。"_s.arg(*r.fault);

    file = read;
    run.analysed(read.analysis, read.paper);
    run.sentenceIndex = sentenceIndex;
    run.lastSentIndex = lastSentIndex;
    run.selectedEntry = selectedEntry;
    run.skipListCompare = int(skipListCompare);
    run.similaritySum = similaritySum;
    run.scoredCount = scoredCount;
    run.overall = overall;
    run.skipTableOfContentsAndReferences = skip.toBool();
    run.results = slots;
    run.pages = pages;
    return std::nullopt;
}

} // namespace quarnex
