// SPDX-License-Identifier: GPL-3.0-or-later
// quarnex-engine --corpus DIR [--port N]: searches the documents of a folder as the web
// search would, on 127.0.0.1, so that a paper can be checked against one's own documents.
#include "engine/server.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace quarnex;

int main(int argc, char *argv[])
{
    // Reading documents into a QTextDocument needs no window system, so this runs on servers.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(u"quarnex-engine"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Searches the documents of a folder on 127.0.0.1; only the first %1 characters of a "
        u"query are searched."_s.arg(EngineIndex::maxQueryLength));
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help and exit."_s);
    const QCommandLineOption version(u"version"_s, u"Show the version and exit."_s);
    const QCommandLineOption corpus(u"corpus"_s, u"The folder of documents to search."_s, u"DIR"_s);
    const QCommandLineOption port(u"port"_s, u"The port to listen on (default 8080)."_s, u"N"_s,
                                  u"8080"_s);
    parser.addOptions({help, version, corpus, port});
    const bool parsed = parser.parse(QCoreApplication::arguments());
    if (parsed && parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::puts("quarnex-engine " QUARNEX_VERSION);
        return 0;
    }
    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    QString error;
    if (!parsed)
        error = parser.errorText().chopped(1).toLower();
    else if (!parser.isSet(corpus))
        error = u"--corpus DIR is needed"_s;
    else if (!portOk || portNumber > 65535)
        error = u"--port takes a number up to 65535"_s;
    else if (!parser.positionalArguments().isEmpty())
        error = u"unexpected argument '"_s + parser.positionalArguments().first() + u'\'';
    if (!error.isEmpty()) {
        std::fprintf(stderr, "quarnex-engine: %s; try 'quarnex-engine --help'\n", qPrintable(error));
        return 2;
    }

    // A folder that is not there would give an engine that finds nothing, taken for a library
    // that holds nothing like the paper.
    const QFileInfo folder(parser.value(corpus));
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable()) {
        std::fprintf(stderr, "quarnex-engine: cannot read the folder %s\n",
                     qPrintable(parser.value(corpus)));
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    QStringList failures;
    EngineIndex index = EngineIndex::fromFolder(parser.value(corpus), &failures);
    for (const QString &failure : std::as_const(failures))
        std::fprintf(stderr, "skipped %s\n", qPrintable(failure));
    std::fprintf(stderr, "indexed %lld documents in %lld ms\n",
                 static_cast<long long>(index.documents().size()),
                 static_cast<long long>(timer.elapsed()));

    EngineServer server(std::move(index));
    if (!server.start(quint16(portNumber))) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", portNumber);
        return 1;
    }
    std::fprintf(stderr, "searching on %s/s?wd=TEXT\n", qPrintable(server.base()));
    return application.exec();
}
