// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/page.h"
#include "engine/library.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>

namespace quarnex {

// One document's best agreement with a query: its longest common run of characters.
struct EngineHit {
    EngineDocument document; // its name, and of its text the passage that holds the run
    qsizetype length = 0;
    qsizetype documentPosition = 0;
    qsizetype queryPosition = 0;
};

// The databases searched as one: local ones by path, remote ones ("HOST:PORT") served by
// xapian-tcpsrv.
struct LibrarySources {
    QStringList databases;
    QStringList remotes;
};

class LibraryPool;

// A library index on disk. Xapian finds the documents with most terms in common with a query
// (see libraryTerms); of those, the exact longest common run decides. Searches may run on
// several threads at once.
class EngineIndex {
public:
    // A document counts only when it shares a run the comparison scores: a shorter one is
    // common wording, and returning it would put every document in every result list.
    static constexpr qsizetype minimumRun = minimumFragment + 1;
    static constexpr qsizetype maxResults = 10;
    // The documents whose text is compared with the query, of those Xapian ranks first.
    // The passages whose text is compared with the query, of those Xapian ranks first.
    static constexpr qsizetype candidates = 30;
    // Only this many characters of a query are searched, so that no query costs more than a
    // sentence does and holds other clients up; a sentence of a paper is far shorter.
    static constexpr qsizetype maxQueryLength = 512;

    // An index of nothing.
    EngineIndex();
    // The documents in a database of their own, removed with the last copy of the index.
    explicit EngineIndex(const QList<EngineDocument> &documents);
    ~EngineIndex();
    EngineIndex(const EngineIndex &);
    EngineIndex &operator=(const EngineIndex &);

    // Nothing, with the reason, when a database cannot be opened or a remote one reached.
    static std::optional<EngineIndex> open(const LibrarySources &sources, QString *error);
    // The folder's own database under the cache folder (see cacheDatabase), brought up to date
    // with the folder first; files that cannot be read are named with their reason in failures.
    static std::optional<EngineIndex> fromFolder(const QString &folder, QStringList *failures,
                                                 QString *error = nullptr);

    qsizetype documentCount() const;
    std::optional<EngineDocument> find(QStringView name) const;

    // The documents sharing a run of at least minimumRun characters with the query, longest
    // run first, ties by name; at most maxResults. Only the first maxQueryLength characters of
    // the query count. Nothing when the library cannot be read just now (a remote shard that
    // is down), which is not the same as finding nothing.
    std::optional<QList<EngineHit>> search(QStringView query) const;

private:
    std::shared_ptr<LibraryPool> m_pool;
};

// The longest run of characters that the text and the query have in common, and where it
// starts in each; the first in the text of equally long ones. Length 0 when they share none.
EngineHit longestCommonRun(QStringView text, QStringView query);

// The passage of about 80 characters around the run, HTML-escaped, each of its common runs of
// two or more characters with the query in <em>.
QString abstractHtml(QStringView text, const EngineHit &hit, QStringView query);

// The result page for a query, in the markup the result reader splits on, with enough Chinese
// text around the results that their highlights are scored; with no result, noResultsNotice.
// base is "http://127.0.0.1:PORT".
// Nothing when the library cannot be read just now.
std::optional<QString> resultPage(const EngineIndex &index, QStringView query, QStringView base);

// A document's text for the browser.
QString documentPage(const EngineDocument &document);

} // namespace quarnex
