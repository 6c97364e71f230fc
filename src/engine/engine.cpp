// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine.h"

#include "check/pagewriter.h"

#include <QHash>
#include <QMutex>
#include <QTemporaryDir>
#include <QUrl>
#include <QVarLengthArray>

#include <xapian.h>

#include <algorithm>
#include <map>
#include <vector>

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

qsizetype commonRun(QStringView a, qsizetype i, QStringView b, qsizetype j)
{
    qsizetype n = 0;
    while (i + n < a.size() && j + n < b.size() && a[i + n] == b[j + n])
        ++n;
    return n;
}

quint32 pairKey(QStringView text, qsizetype i)
{
    return quint32(text[i].unicode()) << 16 | text[i + 1].unicode();
}

struct RemoteAddress {
    std::string host;
    unsigned port = 0;
};

// "HOST:PORT" taken apart, or nothing when it is not one.
std::optional<RemoteAddress> remoteAddress(const QString &remote)
{
    const qsizetype colon = remote.lastIndexOf(u':');
    bool ok = false;
    const uint port = remote.sliced(colon + 1).toUInt(&ok);
    if (colon <= 0 || !ok || port == 0 || port > 65535)
        return std::nullopt;
    return RemoteAddress{remote.left(colon).toStdString(), port};
}

// Waits for a remote shard this long to answer before the search counts as failed.
constexpr int remoteTimeoutMs = 10000;

} // namespace

// Xapian handles, one a thread at a time: a database object may not be shared between threads,
// and opening one for every search would cost more than the search.
class LibraryPool {
public:
    LibraryPool(LibrarySources sources, std::unique_ptr<QTemporaryDir> temporary)
        : m_sources(std::move(sources)), m_temporary(std::move(temporary))
    {}

    // Throws Xapian::Error when a database cannot be opened or reached.
    Xapian::Database openDatabase() const
    {
        Xapian::Database db;
        for (const QString &path : m_sources.databases)
            db.add_database(Xapian::Database(path.toStdString()));
        for (const QString &remote : m_sources.remotes) {
            const RemoteAddress address = remoteAddress(remote).value_or(RemoteAddress());
            db.add_database(
                Xapian::Remote::open(address.host, address.port, remoteTimeoutMs, remoteTimeoutMs));
        }
        return db;
    }

    template<typename Use> auto use(Use &&run)
    {
        Xapian::Database db = take();
        try {
            auto result = run(db);
            give(std::move(db));
            return result;
        } catch (const Xapian::DatabaseModifiedError &) {
            // An update was written meanwhile: read the new revision once more.
            db.reopen();
            auto result = run(db);
            give(std::move(db));
            return result;
        }
    }

    void give(Xapian::Database db)
    {
        const QMutexLocker lock(&m_mutex);
        m_idle.push_back(std::move(db));
    }

private:
    Xapian::Database take()
    {
        {
            const QMutexLocker lock(&m_mutex);
            if (!m_idle.empty()) {
                Xapian::Database db = std::move(m_idle.back());
                m_idle.pop_back();
                return db;
            }
        }
        return openDatabase();
    }

    LibrarySources m_sources;
    std::unique_ptr<QTemporaryDir> m_temporary;
    QMutex m_mutex;
    std::vector<Xapian::Database> m_idle;
};

EngineIndex::EngineIndex() = default;
EngineIndex::~EngineIndex() = default;
EngineIndex::EngineIndex(const EngineIndex &) = default;
EngineIndex &EngineIndex::operator=(const EngineIndex &) = default;

EngineIndex::EngineIndex(const QList<EngineDocument> &documents)
{
    auto temporary = std::make_unique<QTemporaryDir>();
    const QString database = temporary->filePath(u"library"_s);
    QString error;
    if (!temporary->isValid() || !writeLibrary(database, documents, &error))
        qFatal("cannot write a temporary library: %s", qPrintable(error));
    m_pool = std::make_shared<LibraryPool>(LibrarySources{{database}, {}}, std::move(temporary));
}

std::optional<EngineIndex> EngineIndex::open(const LibrarySources &sources, QString *error)
{
    for (const QString &remote : sources.remotes) {
        if (!remoteAddress(remote)) {
            if (error)
                *error = u"%1 is not HOST:PORT"_s.arg(remote);
            return std::nullopt;
        }
    }
    EngineIndex index;
    index.m_pool = std::make_shared<LibraryPool>(sources, nullptr);
    try {
        // Opened once now, so that a database that is not there is said at start, not at the
        // first search; the handle serves the first search.
        index.m_pool->give(index.m_pool->openDatabase());
    } catch (const Xapian::Error &e) {
        if (error)
            *error = u"cannot open the library: "_s + QString::fromStdString(e.get_description());
        return std::nullopt;
    }
    return index;
}

std::optional<EngineIndex> EngineIndex::fromFolder(const QString &folder, QStringList *failures,
                                                   QString *error)
{
    const QString database = cacheDatabase(folder);
    LibraryUpdate update;
    QString reason;
    if (!updateLibrary(folder, database, &update, &reason)) {
        if (error)
            *error = reason;
        return std::nullopt;
    }
    if (failures)
        *failures = update.failures;
    return open({{database}, {}}, error);
}

qsizetype EngineIndex::documentCount() const
{
    if (!m_pool)
        return 0;
    try {
        return m_pool->use(
            [](Xapian::Database &db) { return qsizetype(db.get_termfreq(firstPassageTerm)); });
    } catch (const Xapian::Error &) {
        return 0;
    }
}

std::optional<EngineDocument> EngineIndex::find(QStringView name) const
{
    if (!m_pool)
        return std::nullopt;
    try {
        return m_pool->use([&](Xapian::Database &db) -> std::optional<EngineDocument> {
            const std::string unique = uniqueTerm(name);
            std::map<int, QString> passages;
            for (auto it = db.postlist_begin(unique); it != db.postlist_end(unique); ++it) {
                const Xapian::Document passage = db.get_document(*it);
                const std::string number = passage.get_value(passageSlot);
                if (number.empty()) // a file that could not be read
                    continue;
                passages[std::stoi(number)] = QString::fromStdString(passage.get_data());
            }
            if (passages.empty())
                return std::nullopt;
            // Each passage but the last ends with the start of the next.
            QString text;
            for (auto it = passages.cbegin(); it != passages.cend(); ++it)
                text +=
                    std::next(it) == passages.cend() ? it->second : it->second.left(passageLength);
            return EngineDocument{name.toString(), text};
        });
    } catch (const Xapian::Error &e) {
        qWarning("cannot read the library: %s", e.get_description().c_str());
        return std::nullopt;
    }
}

std::optional<QList<EngineHit>> EngineIndex::search(QStringView query) const
{
    query = query.left(maxQueryLength);
    const std::vector<std::string> terms = libraryTerms(query);
    if (!m_pool || terms.empty())
        return QList<EngineHit>();
    QList<EngineDocument> found;
    try {
        found = m_pool->use([&](Xapian::Database &db) {
            Xapian::Enquire enquire(db);
            enquire.set_query(Xapian::Query(Xapian::Query::OP_OR, terms.begin(), terms.end()));
            const Xapian::MSet matches = enquire.get_mset(0, Xapian::doccount(candidates));
            // Asks a remote shard for all the passages at once, not one round trip each.
            matches.fetch();
            QList<EngineDocument> documents;
            for (auto match = matches.begin(); match != matches.end(); ++match) {
                const Xapian::Document document = match.get_document();
                documents.append({QString::fromStdString(document.get_value(nameSlot)),
                                  QString::fromStdString(document.get_data())});
            }
            return documents;
        });
    } catch (const Xapian::Error &e) {
        qWarning("cannot search the library: %s", e.get_description().c_str());
        return std::nullopt;
    }
    // The best passage of each document.
    QHash<QString, EngineHit> best;
    for (const EngineDocument &passage : found) {
        EngineHit hit = longestCommonRun(passage.text, query);
        EngineHit &kept = best[passage.name];
        if (hit.length >= minimumRun && hit.length > kept.length) {
            hit.document = passage;
            kept = std::move(hit);
        }
    }
    QList<EngineHit> hits;
    for (const EngineHit &hit : std::as_const(best))
        if (hit.length > 0)
            hits.append(hit);
    std::sort(hits.begin(), hits.end(), [](const EngineHit &a, const EngineHit &b) {
        if (a.length != b.length)
            return a.length > b.length;
        return a.document.name < b.document.name;
    });
    if (hits.size() > maxResults)
        hits.resize(maxResults);
    return hits;
}

EngineHit longestCommonRun(QStringView text, QStringView query)
{
    EngineHit best;
    if (text.size() < 2 || query.size() < 2)
        return best;
    // Most pairs of a document are in no query: a bit of a 64 Ki filter tells them apart
    // before the positions of the query's pairs are looked up.
    std::vector<bool> filter(1 << 16);
    QHash<quint32, QVarLengthArray<qsizetype, 2>> positions;
    for (qsizetype q = 0; q + 1 < query.size(); ++q) {
        const quint32 key = pairKey(query, q);
        filter[(key * 0x9E3779B1u) >> 16] = true;
        positions[key].append(q);
    }
    for (qsizetype p = 0; p + 1 < text.size(); ++p) {
        const quint32 key = pairKey(text, p);
        if (!filter[(key * 0x9E3779B1u) >> 16])
            continue;
        const auto at = positions.constFind(key);
        if (at == positions.constEnd())
            continue;
        for (const qsizetype q : *at) {
            // A run that starts earlier is measured from its start.
            if (p > 0 && q > 0 && text[p - 1] == query[q - 1])
                continue;
            const qsizetype length = commonRun(text, p, query, q);
            if (length > best.length) {
                best.length = length;
                best.documentPosition = p;
                best.queryPosition = q;
            }
        }
    }
    return best;
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

std::optional<QString> resultPage(const EngineIndex &index, QStringView query, QStringView base)
{
    query = query.left(EngineIndex::maxQueryLength);
    const std::optional<QList<EngineHit>> found = index.search(query);
    if (!found)
        return std::nullopt;
    const QList<EngineHit> &hits = *found;
    ResultPageWriter page(ResultPageWriter::Form::Served);
    page.markup(u"<div id=\"results\">\n");
    if (hits.isEmpty())
        page.paragraph(noResultsNotice);
    for (const EngineHit &hit : hits) {
        const EngineDocument &document = hit.document;
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
