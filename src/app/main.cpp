#include "app/fonts.h"
#include "app/form1.h"
#include "engine/server.h"
#include "platform/websearchbrowser.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // Chromium refuses its sandbox to root; the search browser only shows search pages.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quarnex"_s);
    QApplication::setApplicationVersion(u"1.2"_s);
    QApplication::setQuitOnLastWindowClosed(false);
    quarnex::installFontSubstitutions();

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Checks a paper for sentences that also stand on the web."_s);
    parser.addHelpOption();
    parser.addVersionOption();
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
    parser.addOptions({searchBase, startPage, updatePage, corpus});
    parser.addPositionalArgument(u"file"_s, u"A paper to open, as File › Open does."_s,
                                 u"[FILE]"_s);
    parser.process(app);

    // Offline: the folder's documents are searched by an engine inside the program, on a free
    // loopback port that stands in for the web search.
    std::unique_ptr<quarnex::EngineServer> engine;
    if (parser.isSet(corpus)) {
        QStringList failures;
        engine = std::make_unique<quarnex::EngineServer>(
            quarnex::EngineIndex::fromFolder(parser.value(corpus), &failures));
        for (const QString &failure : std::as_const(failures))
            std::fprintf(stderr, "skipped %s\n", qPrintable(failure));
        if (!engine->start(0)) {
            std::fputs("quarnex: cannot listen on 127.0.0.1\n", stderr);
            return 1;
        }
    }

    quarnex::Form1Settings settings;
    settings.searchBase = engine ? engine->base() : parser.value(searchBase);
    settings.startPage = parser.value(startPage);
    settings.updatePage = parser.value(updatePage);
    settings.makeBrowser = [](QObject *parent) -> quarnex::SearchBrowser * {
        return new quarnex::WebSearchBrowser(parent);
    };
    quarnex::Form1 window(std::move(settings));
    QObject::connect(&window, &quarnex::Form1::programEnding, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    if (const QStringList files = parser.positionalArguments(); !files.isEmpty()) {
        // Named as the dialog would name it, so that Save starts from the same file.
        const QString path = QFileInfo(files.first()).absoluteFilePath();
        window.CommonDialog1.FileName = path;
        window.openDocument(path);
    }
    return app.exec();
}
