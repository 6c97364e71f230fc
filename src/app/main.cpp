#include "app/form1.h"
#include "platform/websearchbrowser.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>

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
    // The windows ask for 宋体 by name. A Song face with its compact line height keeps the
    // three lines of the similarity label inside the label, as they were designed.
    QFont::insertSubstitutions(
        u"宋体"_s, {u"AR PL UMing CN"_s, u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s});

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
    parser.addOptions({searchBase, startPage, updatePage});
    parser.process(app);

    quarnex::Form1Settings settings;
    settings.searchBase = parser.value(searchBase);
    settings.startPage = parser.value(startPage);
    settings.updatePage = parser.value(updatePage);
    settings.makeBrowser = [](QObject *parent) -> quarnex::SearchBrowser * {
        return new quarnex::WebSearchBrowser(parent);
    };
    quarnex::Form1 window(std::move(settings));
    QObject::connect(&window, &quarnex::Form1::programEnding, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    return app.exec();
}
