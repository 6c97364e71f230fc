// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/fonts.h"
#include "app/form1.h"
#include "app/translations.h"
#include "engine/server.h"
#include "platform/websearchbrowser.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// What the command line asks of the window.
struct Options {
    QString searchBase;
    QString startPage;
    QString updatePage;
    QString corpus;
    QString file;
    bool platformGiven = false;
};

// The options of Qt's own that QApplication takes off the command line; they are accepted here
// so that they are no usage error, and are never shown in the help.
const QStringList qtValueOptions = {
    u"platform"_s,        u"platformpluginpath"_s, u"platformtheme"_s, u"plugin"_s,
    u"qwindowgeometry"_s, u"qwindowicon"_s,        u"qwindowtitle"_s,  u"session"_s,
    u"style"_s,           u"stylesheet"_s,         u"display"_s,       u"geometry"_s};
const QStringList qtFlagOptions = {u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s};

// Reads the command line before any window exists, so that --help, --version and a usage
// error need no display. Ends the program for those, with status 0 or 2.
Options parseOptions(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        // What follows is for the browser engine alone.
        if (i > 0 && qstrcmp(argv[i], "--webEngineArgs") == 0)
            break;
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }

    QCommandLineParser parser;
    // Qt's own options are spelt with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(u"Checks a paper for sentences that also stand on the web."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Print this help and exit."_s);
    const QCommandLineOption version({u"v"_s, u"version"_s}, u"Print the version and exit."_s);
    const QCommandLineOption searchBase(
        u"search-base"_s,
        u"Base address of the web search (default %1)."_s.arg(quarnex::defaultSearchBase), u"URL"_s,
        quarnex::defaultSearchBase.toString());
    const QCommandLineOption startPage(
        u"start-page"_s, u"Page loaded into the hidden browser at start."_s, u"URL"_s);
    const QCommandLineOption updatePage(
        u"update-page"_s, u"Page offered at Exit and by the update item."_s, u"URL"_s);
    const QCommandLineOption corpus(
        u"corpus"_s, u"Search the documents of this folder instead of the web."_s, u"DIR"_s);
    parser.addOptions({help, version, searchBase, startPage, updatePage, corpus});
    for (const QString &name : qtValueOptions) {
        QCommandLineOption option(name, QString(), u"VALUE"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString &name : qtFlagOptions) {
        QCommandLineOption option(name, QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(u"file"_s, u"A paper to open, as File › Open does."_s,
                                 u"[FILE]"_s);

    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        // Without an application object the parser cannot know the program's name.
        std::fputs(qPrintable(parser.helpText().replace(u"<executable_name>"_s, u"quarnex"_s)),
                   stdout);
        std::exit(0);
    }
    if (parser.isSet(version)) {
        std::puts("quarnex " QUARNEX_VERSION);
        std::exit(0);
    }
    QString error;
    if (!parsed && !parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        error = u"unknown option '"_s + (name.size() == 1 ? u"-"_s : u"--"_s) + name + u'\'';
    } else if (!parsed) {
        // "Missing value after '--corpus'."
        error = parser.errorText().chopped(1);
        error[0] = error[0].toLower();
    } else if (parser.positionalArguments().size() > 1)
        error = u"only one FILE can be opened"_s;
    if (!error.isEmpty()) {
        std::fprintf(stderr, "quarnex: %s; try 'quarnex --help'\n", qPrintable(error));
        std::exit(2);
    }

    const QStringList files = parser.positionalArguments();
    return {parser.value(searchBase),
            parser.value(startPage),
            parser.value(updatePage),
            parser.value(corpus),
            files.isEmpty() ? QString() : files.first(),
            parser.isSet(u"platform"_s)};
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options = parseOptions(argc, argv);
    // Without a display Qt gives up with an abort and a page about plugins; one line says more.
    if (!options.platformGiven && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("quarnex: no display to open the window on (DISPLAY is not set); run it in a "
                   "desktop session, or under xvfb-run\n",
                   stderr);
        return 1;
    }

    // Chromium refuses its sandbox to root; the search browser only shows search pages.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quarnex"_s);
    QApplication::setApplicationVersion(QStringLiteral(QUARNEX_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    quarnex::installFontSubstitutions();
    quarnex::installQtTranslations();

    // Offline: the folder's documents are searched by an engine inside the program, on a free
    // loopback port that stands in for the web search.
    std::unique_ptr<quarnex::EngineServer> engine;
    if (!options.corpus.isNull()) {
        QStringList failures;
        QString error;
        std::optional<quarnex::EngineIndex> library =
            quarnex::EngineIndex::fromFolder(options.corpus, &failures, &error);
        for (const QString &failure : std::as_const(failures))
            std::fprintf(stderr, "skipped %s\n", qPrintable(failure));
        // A folder that is not there would give an engine that finds nothing, taken for a
        // library that holds nothing like the paper.
        if (!library) {
            std::fprintf(stderr, "quarnex: %s\n", qPrintable(error));
            return 2;
        }
        engine = std::make_unique<quarnex::EngineServer>(std::move(*library));
        if (!engine->start(0)) {
            std::fputs("quarnex: cannot listen on 127.0.0.1\n", stderr);
            return 1;
        }
    }

    quarnex::Form1Settings settings;
    settings.searchBase = engine ? engine->base() : options.searchBase;
    settings.startPage = options.startPage;
    settings.updatePage = options.updatePage;
    settings.makeBrowser = [](QObject *parent) -> quarnex::SearchBrowser * {
        return new quarnex::WebSearchBrowser(parent);
    };
    quarnex::Form1 window(std::move(settings));
    QObject::connect(&window, &quarnex::Form1::programEnding, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    if (!options.file.isNull()) {
        // Named as the dialog would name it, so that Save starts from the same file.
        const QString path = QFileInfo(options.file).absoluteFilePath();
        window.CommonDialog1.FileName = path;
        window.openDocument(path);
    }
    return app.exec();
}
