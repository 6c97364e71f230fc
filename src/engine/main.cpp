// SPDX-License-Identifier: GPL-3.0-or-later
// quarnex-engine searches a library of one's own documents on 127.0.0.1 as the web search
// would, so that a paper can be checked against it:
//   quarnex-engine index --corpus DIR --db PATH      builds or updates a database
//   quarnex-engine serve --db PATH… --remote HOST:PORT… [--port N]
//   quarnex-engine --corpus DIR [--port N]          both at once, the database in the cache
#include "engine/server.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

enum class Command { Index, Serve, Both };

struct Options {
    Command command = Command::Both;
    QString corpus;
    LibrarySources sources;
    quint16 port = 8080;
};

// The options, or nothing when the program is done: help and version are printed, an error is
// said on standard error and *status set.
std::optional<Options> parseOptions(const QStringList &arguments, int *status)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Searches a library of documents on 127.0.0.1; only the first %1 characters of a "
        u"query are searched.\n\n"
        u"  quarnex-engine index --corpus DIR --db PATH\n"
        u"      builds the database of a folder, or brings it up to date\n"
        u"  quarnex-engine serve --db PATH... [--remote HOST:PORT...] [--port N]\n"
        u"      searches databases, local or served by xapian-tcpsrv, as one\n"
        u"  quarnex-engine --corpus DIR [--port N]\n"
        u"      both, the database kept in the user's cache folder"_s.arg(
            EngineIndex::maxQueryLength));
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help and exit."_s);
    const QCommandLineOption version(u"version"_s, u"Show the version and exit."_s);
    const QCommandLineOption corpus(u"corpus"_s, u"The folder of documents."_s, u"DIR"_s);
    const QCommandLineOption db(u"db"_s, u"A library database (may be repeated)."_s, u"PATH"_s);
    const QCommandLineOption remote(
        u"remote"_s, u"A database served by xapian-tcpsrv (may be repeated)."_s, u"HOST:PORT"_s);
    const QCommandLineOption port(u"port"_s, u"The port to listen on (default 8080)."_s, u"N"_s,
                                  u"8080"_s);
    parser.addOptions({help, version, corpus, db, remote, port});
    const bool parsed = parser.parse(arguments);
    *status = 0;
    if (parsed && parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return std::nullopt;
    }
    if (parsed && parser.isSet(version)) {
        std::puts("quarnex-engine " QUARNEX_VERSION);
        return std::nullopt;
    }
    Options options;
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.first() == u"index")
        options.command = Command::Index;
    else if (!positional.isEmpty() && positional.first() == u"serve")
        options.command = Command::Serve;
    if (options.command != Command::Both)
        positional.removeFirst();
    options.corpus = parser.value(corpus);
    options.sources = {parser.values(db), parser.values(remote)};
    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    options.port = quint16(portNumber);

    QString error;
    if (!parsed)
        error = parser.errorText().chopped(1).toLower();
    else if (!positional.isEmpty())
        error = u"unexpected argument '"_s + positional.first() + u'\'';
    else if (options.command == Command::Both && !parser.isSet(corpus))
        error = u"--corpus DIR is needed"_s;
    else if (options.command == Command::Both && (parser.isSet(db) || parser.isSet(remote)))
        error = u"--db and --remote go with 'serve'"_s;
    else if (options.command == Command::Index &&
             (!parser.isSet(corpus) || parser.values(db).size() != 1 || parser.isSet(remote)))
        error = u"'index' takes --corpus DIR and one --db PATH"_s;
    else if (options.command == Command::Serve && parser.isSet(corpus))
        error = u"'serve' takes --db and --remote, not --corpus"_s;
    else if (options.command == Command::Serve && options.sources.databases.isEmpty() &&
             options.sources.remotes.isEmpty())
        error = u"'serve' needs a --db PATH or a --remote HOST:PORT"_s;
    else if (!portOk || portNumber > 65535)
        error = u"--port takes a number up to 65535"_s;
    if (!error.isEmpty()) {
        std::fprintf(stderr, "quarnex-engine: %s; try 'quarnex-engine --help'\n",
                     qPrintable(error));
        *status = 2;
        return std::nullopt;
    }
    return options;
}

// On a terminal the count of files read goes on one line that is written over.
void showProgress(qsizetype done, qsizetype total)
{
    static const bool terminal = isatty(STDERR_FILENO);
    if (terminal)
        std::fprintf(stderr, "\rreading %lld of %lld files", static_cast<long long>(done),
                     static_cast<long long>(total));
    if (terminal && done == total)
        std::fputc('\n', stderr);
}

bool index(const QString &corpus, const QString &database, QString *error)
{
    QElapsedTimer timer;
    timer.start();
    LibraryUpdate update;
    if (!updateLibrary(corpus, database, &update, error, showProgress))
        return false;
    for (const QString &failure : std::as_const(update.failures))
        std::fprintf(stderr, "skipped %s\n", qPrintable(failure));
    std::fprintf(stderr,
                 "indexed %lld documents (%lld added, %lld changed, %lld removed) in %lld ms\n",
                 static_cast<long long>(update.documents), static_cast<long long>(update.added),
                 static_cast<long long>(update.changed), static_cast<long long>(update.removed),
                 static_cast<long long>(timer.elapsed()));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Reading documents needs no window system, so this runs on servers.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(u"quarnex-engine"_s);

    int status = 0;
    std::optional<Options> options = parseOptions(QCoreApplication::arguments(), &status);
    if (!options)
        return status;

    QString error;
    LibrarySources sources = options->sources;
    if (options->command != Command::Serve) {
        const QString database = options->command == Command::Index
                                     ? options->sources.databases.first()
                                     : cacheDatabase(options->corpus);
        if (!index(options->corpus, database, &error)) {
            std::fprintf(stderr, "quarnex-engine: %s\n", qPrintable(error));
            return 2;
        }
        if (options->command == Command::Index)
            return 0;
        sources = {{database}, {}};
    }
    std::optional<EngineIndex> library = EngineIndex::open(sources, &error);
    if (!library) {
        std::fprintf(stderr, "quarnex-engine: %s\n", qPrintable(error));
        return 2;
    }
    EngineServer server(std::move(*library));
    if (!server.start(options->port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", unsigned(options->port));
        return 1;
    }
    std::fprintf(stderr, "searching on %s/s?wd=TEXT\n", qPrintable(server.base()));
    return application.exec();
}
