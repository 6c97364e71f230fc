// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <string>
#include <vector>

// The library on disk: a folder of documents indexed into a Xapian database that is kept up to
// date from the folder, file by file, so that a second start reads no document again.
namespace quarnex {

struct EngineDocument {
    QString name; // the path below the corpus folder, "/"-separated
    QString text;
};

// A library document is held as passages of passageLength characters, each with the first
// passageOverlap characters of the next, so that a run of up to that many characters lies
// whole in one passage. A passage's data is its text in UTF-8; its values:
inline constexpr unsigned nameSlot = 0;    // the path below the library folder, "/"-separated
inline constexpr unsigned stampSlot = 1;   // "SIZE:MTIME_MS" of the file it was read from
inline constexpr unsigned passageSlot = 2; // its number in the document, from "0"
inline constexpr qsizetype passageLength = 4000;
inline constexpr qsizetype passageOverlap = 100;
// The term of every document's first passage, which counts the documents.
inline constexpr char firstPassageTerm[] = "F";
// A file whose content could not be read is kept as one record with this term, its name, its
// stamp and the reason as its data, and no passage number, so that it is not read again until
// it changes.
inline constexpr char unreadableTerm[] = "E";

// The terms a text is indexed and searched by: of its character pairs, the winnowed ones (the
// pair of lowest hash in every window of five neighbouring pairs). Two texts sharing a run of
// six characters share its five pairs, so both keep the same lowest of them: every document
// sharing such a run with a query has a term in common with it, while only about a third of
// the pairs are indexed. A text under six characters has no terms. "城市绿地能够" gives one
// term, "P" and two of its characters.
std::vector<std::string> libraryTerms(QStringView text);

// The term that names one document: "Q" and its name, hashed when too long for a term.
std::string uniqueTerm(QStringView name);

// What updateLibrary did.
struct LibraryUpdate {
    qsizetype documents = 0; // in the database afterwards
    qsizetype added = 0;
    qsizetype changed = 0;
    qsizetype removed = 0;
    QStringList failures; // "NAME: reason" of each file that could not be read, left out
};

// Brings the database at `database` (created when absent) up to date with the folder: reads
// the files that are new or whose size or time changed, drops those that are gone, and leaves
// the rest unread, files whose content could not be read before among them. Only regular .txt,
// .rtf, .doc, .docx, .odt and .pdf files whose real path lies under the folder are taken, so a link
// cannot bring /etc/passwd into the library. The database is a folder of shards, one a processor
// when it is made, written in parallel. progress, when given, is called with the files read so far
// and the files to read. False with the reason when the folder or the database cannot be used.
bool updateLibrary(const QString &folder, const QString &database, LibraryUpdate *update,
                   QString *error,
                   const std::function<void(qsizetype done, qsizetype total)> &progress = {});

// A database of its own holding just these documents, at a new path.
bool writeLibrary(const QString &database, const QList<EngineDocument> &documents, QString *error);

// Where the one-step engine and the window keep the database of a folder: under the user's
// cache folder, named after the folder's real path.
QString cacheDatabase(const QString &folder);

} // namespace quarnex
