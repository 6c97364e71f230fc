// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine.h"

#include "check/pagewriter.h"
#include "documents/document.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <bit>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype abstractLength = 80;

// Plain prose a real result page carries around its results; 98 double-byte characters a
// paragraph, so six of them keep every page above the length below which nothing is scored.
constexpr QStringView footerParagraph =
    u"本检索服务只在本机运行，收录的是你自己选定文件夹中的文档，不会把查询内容发送到网络上。"
    u"结果按照与查询语句相同的最长连续文字排序，摘要中标出的是相同的词句，仅供写作时自查参考。"
    u"如有疑问，请核对原文。";
constexpr int footerRepeats = 6;

quint64 gramKey(QStringView text, qsizetype position)
{
    return quint64(text[position].unicode()) << 16 | text[position + 1].unicode();
}

qsizetype commonRun(QStringView a, qsizetype i, QStringView b, qsizetype j)
{
    qsizetype n = 0;
    while (i + n < a.size() && j + n < b.size() && a[i + n] == b[j + n])
        ++n;
    return n;
}

} // namespace

EngineIndex::EngineIndex(QList<EngineDocument> documents) : m_documents(std::move(documents))
{
    qsizetype grams = 0;
    for (const EngineDocument &document : std::as_const(m_documents))
        grams += std::max<qsizetype>(0, document.text.size() - gram + 1);
    // About two postings a bucket: few enough buckets to stay small, enough to keep them short.
    const quint64 buckets = std::bit_ceil(quint64(std::max<qsizetype>(grams / 2, 1024)));
    m_mask = buckets - 1;
    m_offsets.assign(buckets + 1, 0);
    for (const EngineDocument &document : std::as_const(m_documents))
        for (qsizetype p = 0; p + gram <= document.text.size(); ++p)
            ++m_offsets[bucketOf(document.text, p) + 1];
    for (quint64 b = 0; b < buckets; ++b)
        m_offsets[b + 1] += m_offsets[b];
    m_postings.resize(size_t(grams));
    std::vector<quint32> fill(m_offsets.begin(), m_offsets.end() - 1);
    for (qsizetype d = 0; d < m_documents.size(); ++d) {
        const QString &text = m_documents[d].text;
        for (qsizetype p = 0; p + gram <= text.size(); ++p)
            m_postings[fill[bucketOf(text, p)]++] = {quint32(d), quint32(p)};
    }
}

quint64 EngineIndex::bucketOf(QStringView text, qsizetype position) const
{
    // Fibonacci hashing spreads the neighbouring code points of CJK text over all buckets.
    return (gramKey(text, position) * 0x9E3779B97F4A7C15ull >> 24) & m_mask;
}

EngineIndex EngineIndex::fromFolder(const QString &folder, QStringList *failures)
{
    QList<EngineDocument> documents;
    // Names are relative to an absolute root: relativeFilePath leaves a relative path as is.
    const QDir root(QDir(folder).absolutePath());
    QDirIterator it(root.path(),
                    {u"*.txt"_s, u"*.rtf"_s, u"*.doc"_s, u"*.docx"_s, u"*.odt"_s, u"*.pdf"_s},
                    QDir::Files, QDirIterator::Subdirectories);
    // A link could lead out of the library (to /etc/passwd), and its target would be served.
    const QString inside = root.canonicalPath() + u'/';
    QStringList paths;
    while (it.hasNext()) {
        const QFileInfo file(it.next());
        const QFileInfo target(file.canonicalFilePath());
        if (target.filePath().startsWith(inside) && target.isFile() && !target.isSymLink())
            paths.append(file.filePath());
    }
    paths.sort();
    for (const QString &path : std::as_const(paths)) {
        QTextDocument document;
        const LoadedDocument loaded = loadDocument(path, &document);
        if (!loaded.ok) {
            if (failures)
                failures->append(root.relativeFilePath(path) + u": "_s + loaded.error);
            continue;
        }
        documents.append({root.relativeFilePath(path), document.toPlainText()});
    }
    return EngineIndex(std::move(documents));
}

const EngineDocument *EngineIndex::find(QStringView name) const
{
    for (const EngineDocument &document : m_documents)
        if (document.name == name)
            return &document;
    return nullptr;
}

QList<EngineHit> EngineIndex::search(QStringView query) const
{
    query = query.left(maxQueryLength);
    QList<EngineHit> best(m_documents.size());
    for (qsizetype q = 0; q + gram <= query.size(); ++q) {
        const quint64 b = bucketOf(query, q);
        for (quint32 i = m_offsets[b]; i < m_offsets[b + 1]; ++i) {
            const Posting posting = m_postings[i];
            const QString &text = m_documents[posting.document].text;
            const qsizetype p = posting.position;
            // A run that starts earlier is measured from the hit at its start.
            if (p > 0 && q > 0 && text[p - 1] == query[q - 1])
                continue;
            const qsizetype length = commonRun(text, p, query, q);
            EngineHit &hit = best[posting.document];
            if (length >= minimumRun && length > hit.length)
                hit = {posting.document, length, p, q};
        }
    }
    QList<EngineHit> hits;
    for (const EngineHit &hit : std::as_const(best))
        if (hit.length > 0)
            hits.append(hit);
    std::sort(hits.begin(), hits.end(), [this](const EngineHit &a, const EngineHit &b) {
        if (a.length != b.length)
            return a.length > b.length;
        return m_documents[a.document].name < m_documents[b.document].name;
    });
    if (hits.size() > maxResults)
        hits.resize(maxResults);
    return hits;
}

QString abstractHtml(QStringView text, const EngineHit &hit, QStringView query)
{
    const qsizetype length = std::max(abstractLength, hit.length);
    const qsizetype start = std::clamp<qsizetype>(hit.documentPosition - (length - hit.length) / 2,
                                                  0, std::max<qsizetype>(text.size() - length, 0));
    const QString passage = text.mid(start, length).toString().replace(u'\n', u' ');
    ResultPageWriter html(ResultPageWriter::Form::Served);
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < passage.size();) {
        qsizetype run = 0;
        for (qsizetype j = 0; j < query.size(); ++j)
            run = std::max(run, commonRun(passage, i, query, j));
        if (run < 2) {
            ++i;
            continue;
        }
        html.text(QStringView(passage).sliced(plainFrom, i - plainFrom))
            .highlight(QStringView(passage).sliced(i, run));
        i += run;
        plainFrom = i;
    }
    return html.text(QStringView(passage).sliced(plainFrom)).body();
}

QString resultPage(const EngineIndex &index, QStringView query, QStringView base)
{
    query = query.left(EngineIndex::maxQueryLength);
    ResultPageWriter page(ResultPageWriter::Form::Served);
    page.markup(u"<div id=\"results\">\n");
    const QList<EngineHit> hits = index.search(query);
    if (hits.isEmpty())
        page.paragraph(noResultsNotice);
    for (const EngineHit &hit : hits) {
        const EngineDocument &document = index.documents()[hit.document];
        const QString title = document.name.section(u'/', -1);
        const QString url = base.toString() + u"/doc/"_s +
                            QString::fromLatin1(QUrl::toPercentEncoding(document.name, "/"));
        page.markup(u"<div class=\"result\"><h3><a href=\""_s + url.toHtmlEscaped() + u"\">"_s +
                    title.toHtmlEscaped() + u"</a></h3>"_s)
            .result(title, url)
            .markup(u"<div class=\"c-abstract\">"_s + abstractHtml(document.text, hit, query) +
                    u"</div></div>\n"_s);
    }
    page.markup(u"</div>\n<div id=\"footer\">");
    for (int i = 0; i < footerRepeats; ++i)
        page.paragraph(footerParagraph);
    page.markup(u"</div>");
    return page.document(query.toString() + u" - 本地检索"_s, u"em{color:#c00;font-style:normal}");
}

QString documentPage(const EngineDocument &document)
{
    const QString name = document.name.toHtmlEscaped();
    return u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>"_s + name +
           u"</title></head><body><h1>"_s + name + u"</h1><pre>"_s + document.text.toHtmlEscaped() +
           u"</pre></body></html>\n"_s;
}

} // namespace quarnex
