// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/page.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace quarnex {

struct EngineDocument {
    QString name; // the path below the corpus folder, "/"-separated
    QString text;
};

// One document's best agreement with a query: its longest common run of characters.
struct EngineHit {
    qsizetype document = 0;
    qsizetype length = 0;
    qsizetype documentPosition = 0;
    qsizetype queryPosition = 0;
};

// Character pairs of every document, hashed into buckets that hold (document, position)
// postings. A bucket can mix grams, so every hit is checked against the text while it is
// extended.
class EngineIndex {
public:
    static constexpr qsizetype gram = 2;
    // A document counts only when it shares a run the comparison scores: a shorter one is
    // common wording, and returning it would put every document in every result list.
    static constexpr qsizetype minimumRun = minimumFragment + 1;
    static constexpr qsizetype maxResults = 10;
    // Only this many characters of a query are searched, so that no query costs more than a
    // sentence does and holds other clients up; a sentence of a paper is far shorter.
    static constexpr qsizetype maxQueryLength = 512;

    EngineIndex() = default;
    explicit EngineIndex(QList<EngineDocument> documents);

    // Every regular .txt, .rtf, .doc and .docx below the folder, links only when they lead to a
    // file below it; those that cannot be read are named with their reason in failures and
    // left out.
    static EngineIndex fromFolder(const QString &folder, QStringList *failures);

    const QList<EngineDocument> &documents() const { return m_documents; }
    const EngineDocument *find(QStringView name) const;

    // The documents sharing a run of at least minimumRun characters with the query, longest
    // run first, ties by name; at most maxResults. Only the first maxQueryLength characters of
    // the query count.
    QList<EngineHit> search(QStringView query) const;

private:
    struct Posting {
        quint32 document;
        quint32 position;
    };
    quint64 bucketOf(QStringView text, qsizetype position) const;

    QList<EngineDocument> m_documents;
    quint64 m_mask = 0;
    std::vector<quint32> m_offsets; // bucket b holds m_postings[m_offsets[b], m_offsets[b + 1])
    std::vector<Posting> m_postings;
};

// The passage of about 80 characters around the run, HTML-escaped, each of its common runs of
// two or more characters with the query in <em>.
QString abstractHtml(QStringView text, const EngineHit &hit, QStringView query);

// The result page for a query, in the markup the result reader splits on, with enough Chinese
// text around the results that their highlights are scored; with no result, noResultsNotice.
// base is "http://127.0.0.1:PORT".
QString resultPage(const EngineIndex &index, QStringView query, QStringView base);

// A document's text for the browser.
QString documentPage(const EngineDocument &document);

} // namespace quarnex
