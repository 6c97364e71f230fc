// SPDX-License-Identifier: GPL-3.0-or-later
#include "library.h"

#include "documents/document.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <QtConcurrent>

#include <xapian.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// Pairs, the lowest hash of every five neighbouring ones: 2 + 5 - 1 = 6, the shortest run that
// counts, is the shortest that is sure to share a term. Grams of three would be rarer, but
// they double the index and its time to build.
constexpr qsizetype gram = 2;
constexpr qsizetype window = 5;
// Xapian refuses terms over 245 bytes; a name is hashed well before that.
constexpr qsizetype longestName = 200;
// Characters held in memory before a shard is written out. Xapian merges a small batch faster
// than a large one (a million characters index in two thirds of the time of four million), and
// the memory of a first run stays small.
constexpr qsizetype charactersPerCommit = 1'000'000;
constexpr int mostShards = 8;

quint32 gramHash(QStringView text, qsizetype i)
{
    // A multiplicative mix, so that neighbouring code points of CJK text get unrelated hashes.
    const quint64 key = quint64(text[i].unicode()) << 16 | text[i + 1].unicode();
    return quint32((key * 0x9E3779B97F4A7C15ull) >> 32);
}

struct LibraryFile {
    QString name;
    QString path;
    QByteArray stamp;
};

// The files of the library, by name.
QList<LibraryFile> libraryFiles(const QDir &root)
{
    QDirIterator it(root.path(),
                    {u"*.txt"_s, u"*.rtf"_s, u"*.doc"_s, u"*.docx"_s, u"*.odt"_s, u"*.pdf"_s},
                    QDir::Files, QDirIterator::Subdirectories);
    const QString inside = root.canonicalPath() + u'/';
    QList<LibraryFile> files;
    while (it.hasNext()) {
        const QFileInfo file(it.next());
        const QFileInfo target(file.canonicalFilePath());
        if (!target.filePath().startsWith(inside) || !target.isFile() || target.isSymLink())
            continue;
        const QByteArray stamp = QByteArray::number(target.size()) + ':' +
                                 QByteArray::number(target.lastModified().toMSecsSinceEpoch());
        files.append({root.relativeFilePath(file.filePath()), file.filePath(), stamp});
    }
    std::sort(files.begin(), files.end(),
              [](const LibraryFile &a, const LibraryFile &b) { return a.name < b.name; });
    return files;
}

int shardOf(const QString &name, int shards)
{
    const QByteArray digest = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Md5);
    return int(quint8(digest[0])) % shards;
}

QString stubPath(const QString &database)
{
    return database + u"/XAPIANDB"_s;
}

// The shard count of an existing database, 0 when the folder holds none, -1 when it holds
// something else that must not be written over.
int shardCount(const QString &database)
{
    QFile stub(stubPath(database));
    if (!stub.exists()) {
        const QDir folder(database);
        return !folder.exists() || folder.isEmpty() ? 0 : -1;
    }
    if (!stub.open(QIODevice::ReadOnly))
        return -1;
    int shards = 0;
    for (const QByteArray &line : stub.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        if (line != "glass " + QByteArray::number(shards))
            return -1;
        ++shards;
    }
    return shards > 0 ? shards : -1;
}

bool createDatabase(const QString &database, int shards, QString *error)
{
    if (!QDir().mkpath(database)) {
        *error = u"cannot make the database folder %1"_s.arg(database);
        return false;
    }
    QByteArray stub;
    for (int shard = 0; shard < shards; ++shard) {
        Xapian::WritableDatabase(QDir(database).filePath(QString::number(shard)).toStdString(),
                                 Xapian::DB_CREATE_OR_OPEN | Xapian::DB_BACKEND_GLASS);
        stub += "glass " + QByteArray::number(shard) + '\n';
    }
    // Written last: a folder without it is not taken for a database.
    QSaveFile file(stubPath(database));
    if (!file.open(QIODevice::WriteOnly) || file.write(stub) != stub.size() || !file.commit()) {
        *error = u"cannot write %1: %2"_s.arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

struct ShardWork {
    QString path;
    QList<LibraryFile> read; // new or changed
    QList<QString> remove;   // gone from the folder
    QSet<QString> changed;   // of read, those already in the database as documents
    qsizetype documents = 0; // afterwards
    qsizetype added = 0;     // of read, those new and read
    qsizetype replaced = 0;  // of read, those changed and read again
    QString error;
};

// Writes a file's text as its passages, in place of what the database held of it. A search
// then reads a few passages, not whole documents.
void putDocument(Xapian::WritableDatabase &db, const LibraryFile &file, const QString &text)
{
    const std::string unique = uniqueTerm(file.name);
    db.delete_document(unique);
    for (qsizetype start = 0, number = 0; number == 0 || start + passageOverlap < text.size();
         start += passageLength, ++number) {
        const QString passage = text.mid(start, passageLength + passageOverlap);
        Xapian::Document document;
        document.set_data(passage.toStdString());
        document.add_value(nameSlot, file.name.toStdString());
        document.add_value(stampSlot, file.stamp.toStdString());
        document.add_value(passageSlot, std::to_string(number));
        document.add_boolean_term(unique);
        if (number == 0)
            document.add_boolean_term(firstPassageTerm);
        for (const std::string &term : libraryTerms(passage))
            document.add_term(term);
        db.add_document(document);
    }
}

// What stands for a file whose content could not be read: no passage, only why.
Xapian::Document unreadableRecord(const LibraryFile &file, const QString &reason)
{
    Xapian::Document record;
    record.set_data(reason.toStdString());
    record.add_value(nameSlot, file.name.toStdString());
    record.add_value(stampSlot, file.stamp.toStdString());
    record.add_boolean_term(uniqueTerm(file.name));
    record.add_boolean_term(unreadableTerm);
    return record;
}

qsizetype documentsIn(const Xapian::Database &db)
{
    return qsizetype(db.get_termfreq(firstPassageTerm));
}

// Puts every file of the folder on the disk, then the folder itself.
void syncFolder(const QString &path)
{
    const QDir folder(path);
    for (const QString &name : folder.entryList(QDir::Files)) {
        const int fd = ::open(QFile::encodeName(folder.filePath(name)).constData(), O_RDONLY);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void writeShard(ShardWork *work, QStringList *failures, QMutex *mutex,
                const std::function<void()> &fileRead)
{
    try {
        // Each commit of a batch would wait for the disk; the shard is put on the disk once, at
        // the end. A crash of the program loses nothing written; one of the machine may cost
        // the last run's updates, which the next run makes again.
        Xapian::WritableDatabase db(work->path.toStdString(), Xapian::DB_OPEN | Xapian::DB_NO_SYNC);
        for (const QString &name : std::as_const(work->remove))
            db.delete_document(uniqueTerm(name));
        qsizetype pending = 0;
        for (const LibraryFile &file : std::as_const(work->read)) {
            QByteArray bytes;
            QString text;
            QString reason;
            LoadedDocument loaded;
            const bool opened = readDocumentFile(file.path, &bytes, &reason);
            if (opened)
                loaded = readDocumentText(bytes, &text);
            else
                loaded.error = reason;
            if (loaded.ok) {
                putDocument(db, file, text);
                ++(work->changed.contains(file.name) ? work->replaced : work->added);
            } else {
                // A fault of the content is remembered, so that the file is not read again
                // until it changes; one of the machine or the moment (not opened, no
                // converter, out of time) is tried again at the next start. Either way the old
                // text is not served.
                if (opened && !failureMayPass(loaded.error))
                    db.replace_document(uniqueTerm(file.name),
                                        unreadableRecord(file, loaded.error));
                else
                    db.delete_document(uniqueTerm(file.name));
                const QMutexLocker lock(mutex);
                failures->append(file.name + u": "_s + loaded.error);
            }
            pending += text.size();
            if (pending >= charactersPerCommit) {
                db.commit();
                pending = 0;
            }
            fileRead();
        }
        db.commit();
        work->documents = documentsIn(db);
        db.close();
        syncFolder(work->path);
    } catch (const Xapian::DatabaseLockError &) {
        work->error = u"%1 is being updated by another program; try again when it is done"_s.arg(
            QFileInfo(work->path).path());
    } catch (const Xapian::Error &e) {
        work->error = QString::fromStdString(e.get_description());
    }
}

} // namespace

std::vector<std::string> libraryTerms(QStringView text)
{
    const qsizetype grams = text.size() - gram + 1;
    if (grams < window)
        return {};
    std::vector<quint32> hashes(static_cast<size_t>(grams));
    for (qsizetype i = 0; i < grams; ++i)
        hashes[size_t(i)] = gramHash(text, i);
    // The positions of rising hashes in the window; its front is the window's minimum, the
    // rightmost one on a tie, as both a document and a query choose it alike.
    std::deque<qsizetype> minima;
    std::vector<std::string> terms;
    qsizetype last = -1;
    for (qsizetype i = 0; i < grams; ++i) {
        while (!minima.empty() && hashes[size_t(minima.back())] >= hashes[size_t(i)])
            minima.pop_back();
        minima.push_back(i);
        if (minima.front() <= i - window)
            minima.pop_front();
        if (i >= window - 1 && minima.front() != last) {
            last = minima.front();
            std::string term(1, 'P');
            term += text.sliced(last, gram).toString().toStdString();
            terms.push_back(std::move(term));
        }
    }
    std::sort(terms.begin(), terms.end());
    terms.erase(std::unique(terms.begin(), terms.end()), terms.end());
    return terms;
}

std::string uniqueTerm(QStringView name)
{
    const QByteArray bytes = name.toUtf8();
    std::string term(1, 'Q');
    if (bytes.size() <= longestName)
        return term += bytes.toStdString();
    return term +=
           '#' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

bool updateLibrary(const QString &folder, const QString &database, LibraryUpdate *update,
                   QString *error, const std::function<void(qsizetype, qsizetype)> &progress)
{
    *update = {};
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) {
        *error = u"cannot read the folder %1"_s.arg(folder);
        return false;
    }
    int shards = shardCount(database);
    if (shards < 0) {
        *error = u"%1 is not a library database"_s.arg(database);
        return false;
    }
    try {
        if (shards == 0) {
            shards = std::clamp(QThread::idealThreadCount(), 1, mostShards);
            if (!createDatabase(database, shards, error))
                return false;
        }
        std::vector<ShardWork> work(static_cast<size_t>(shards));
        std::vector<std::map<QString, QByteArray>> stored(static_cast<size_t>(shards));
        // The files that could not be read when last tried, with the reason.
        QHash<QString, QString> unreadable;
        for (int shard = 0; shard < shards; ++shard) {
            work[size_t(shard)].path = QDir(database).filePath(QString::number(shard));
            const Xapian::Database db(work[size_t(shard)].path.toStdString());
            std::map<Xapian::docid, std::string> names;
            for (auto v = db.valuestream_begin(nameSlot); v != db.valuestream_end(nameSlot); ++v)
                names[v.get_docid()] = *v;
            for (auto v = db.valuestream_begin(stampSlot); v != db.valuestream_end(stampSlot); ++v)
                stored[size_t(shard)][QString::fromStdString(names[v.get_docid()])] =
                    QByteArray::fromStdString(*v);
            for (auto it = db.postlist_begin(unreadableTerm); it != db.postlist_end(unreadableTerm);
                 ++it)
                unreadable.insert(QString::fromStdString(names[*it]),
                                  QString::fromStdString(db.get_document(*it).get_data()));
        }
        const QDir root(QDir(folder).absolutePath());
        QSet<QString> present;
        qsizetype toRead = 0;
        for (const LibraryFile &file : libraryFiles(root)) {
            present.insert(file.name);
            const int shard = shardOf(file.name, shards);
            const auto &known = stored[size_t(shard)];
            const auto found = known.find(file.name);
            const auto reason = unreadable.constFind(file.name);
            if (found != known.end() && found->second == file.stamp) {
                if (reason != unreadable.cend())
                    update->failures.append(file.name + u": "_s + *reason);
                continue;
            }
            ShardWork &target = work[size_t(shard)];
            target.read.append(file);
            if (found != known.end() && reason == unreadable.cend())
                target.changed.insert(file.name);
            ++toRead;
        }
        for (int shard = 0; shard < shards; ++shard)
            for (const auto &entry : stored[size_t(shard)])
                if (!present.contains(entry.first)) {
                    work[size_t(shard)].remove.append(entry.first);
                    update->removed += !unreadable.contains(entry.first);
                }

        QMutex mutex;
        std::atomic<qsizetype> done = 0;
        const auto fileRead = [&] {
            const qsizetype now = ++done;
            if (progress) {
                const QMutexLocker lock(&mutex);
                progress(now, toRead);
            }
        };
        QThreadPool pool;
        pool.setMaxThreadCount(shards);
        QtConcurrent::blockingMap(&pool, work, [&](ShardWork &shard) {
            writeShard(&shard, &update->failures, &mutex, fileRead);
        });
        for (const ShardWork &shard : work) {
            if (!shard.error.isEmpty()) {
                *error = shard.error;
                return false;
            }
            update->documents += shard.documents;
            update->added += shard.added;
            update->changed += shard.replaced;
        }
        update->failures.sort();
        return true;
    } catch (const Xapian::Error &e) {
        *error = QString::fromStdString(e.get_description());
        return false;
    }
}

bool writeLibrary(const QString &database, const QList<EngineDocument> &documents, QString *error)
{
    try {
        if (!createDatabase(database, 1, error))
            return false;
        Xapian::WritableDatabase db(QDir(database).filePath(u"0"_s).toStdString(), Xapian::DB_OPEN);
        for (const EngineDocument &document : documents)
            putDocument(db, {document.name, {}, {}}, document.text);
        db.commit();
        return true;
    } catch (const Xapian::Error &e) {
        *error = QString::fromStdString(e.get_description());
        return false;
    }
}

QString cacheDatabase(const QString &folder)
{
    const QByteArray key = QFileInfo(folder).canonicalFilePath().toUtf8();
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           u"/quarnex/library/"_s +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
}

} // namespace quarnex
