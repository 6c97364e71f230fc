#include "platform/websearchbrowser.h"
#include "resultserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// WebEngine loads on a loaded two-core machine can take seconds each.
constexpr int loadTimeout = 30000;

QWebEnginePage *pageOf(SearchBrowser &browser)
{
    return qobject_cast<QWebEngineView *>(browser.view())->page();
}

// Runs the event loop until `done` holds. WebEngine makes progress only in a running loop:
// QTRY_* and qWaitFor sleep between checks, which turns a 20 ms load into seconds.
bool spinUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.hasExpired(loadTimeout))
            loop.quit();
    });
    check.start(10);
    if (!done())
        loop.exec();
    return done();
}

// The result of a main-world script on the page shown, or "<timeout>".
QString evaluate(QWebEnginePage *page, const QString &script)
{
    auto result = std::make_shared<std::optional<QString>>();
    page->runJavaScript(script, [result](const QVariant &value) { *result = value.toString(); });
    if (!spinUntil([&] { return result->has_value(); }))
        return u"<timeout>"_s;
    return **result;
}

QString shownText(SearchBrowser &browser)
{
    return evaluate(pageOf(browser), u"document.body ? document.body.innerText.trim() : ''"_s);
}

} // namespace

class TestWebSearchBrowser : public QObject {
    Q_OBJECT

private:
    ResultServer *server = nullptr;
    std::unique_ptr<WebSearchBrowser> browser;
    std::unique_ptr<QSignalSpy> began;
    std::unique_ptr<QSignalSpy> completed;
    // What would have been handed to the system browser.
    QList<QUrl> opened;

    // Navigates and waits for the navigation's DownloadComplete.
    bool navigateAndWait(const QString &url)
    {
        browser->Navigate(url);
        return browser->Busy() && completed->wait(loadTimeout);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Chromium refuses to run as root with its sandbox on.
        if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        WebSearchBrowser::openExternally = [this](const QUrl &url) { opened.append(url); };
        server = new ResultServer(this);
        QVERIFY(server->port() != 0);
    }

    void init()
    {
        opened.clear();
        browser = std::make_unique<WebSearchBrowser>();
        began = std::make_unique<QSignalSpy>(browser.get(), &SearchBrowser::DownloadBegin);
        completed = std::make_unique<QSignalSpy>(browser.get(), &SearchBrowser::DownloadComplete);
    }

    void cleanup()
    {
        completed.reset();
        began.reset();
        browser.reset();
    }

    void sendableUrl_data()
    {
        QTest::addColumn<QString>("readable");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("hash and space") << u"http://h/s?wd=a#b c"_s << "http://h/s?wd=a%23b%20c"_ba;
        QTest::newRow("ampersand plus percent")
            << u"http://h/s?wd=a&b+c%41"_s << "http://h/s?wd=a%26b%2Bc%2541"_ba;
        QTest::newRow("chinese and emoji")
            << u"http://h/s?wd=中文😀"_s << "http://h/s?wd=%E4%B8%AD%E6%96%87%F0%9F%98%80"_ba;
        QTest::newRow("wd after another parameter")
            << u"http://h/s?ie=utf-8&wd=x=y&z"_s << "http://h/s?ie=utf-8&wd=x%3Dy%26z"_ba;
        QTest::newRow("first equals without wd")
            << u"http://h/f?q=1 2"_s << "http://h/f?q=1%202"_ba;
        QTest::newRow("about:blank") << u"about:blank"_s << "about:blank"_ba;
        QTest::newRow("page without query") << u"http://h/a/b.html"_s << "http://h/a/b.html"_ba;
        QTest::newRow("query without value") << u"http://h/a?x"_s << "http://h/a?x"_ba;
    }
    void sendableUrl()
    {
        QFETCH(QString, readable);
        QFETCH(QByteArray, sent);
        const QUrl url = quarnex::sendableUrl(readable);
        QVERIFY(url.isValid());
        QCOMPARE(url.toEncoded(), sent);
    }

    // A search, a load that fails, then a search again: one report each, never a late second
    // one, the body read before the report, and the search text sent whole.
    void eachNavigationReportsOnceWithItsBody()
    {
        QList<bool> busyAtReport;
        QList<std::optional<QString>> bodyAtReport;
        connect(browser.get(), &SearchBrowser::DownloadComplete, this, [&] {
            busyAtReport.append(browser->Busy());
            bodyAtReport.append(browser->bodyHtml());
        });
        QVERIFY(!browser->Busy());
        QVERIFY(!browser->bodyHtml());

        QVERIFY(navigateAndWait(server->searchAddress(u"甲#b&c"_s)));
        QCOMPARE(server->rawTargets().constLast(), u"/s?wd=%E7%94%B2%23b%26c"_s);
        QCOMPARE(server->queries().constLast(), u"甲#b&c"_s);
        QVERIFY(bodyAtReport.constLast().has_value());
        const QString body = *bodyAtReport.constLast();
        QVERIFY2(
            body.contains(u"<DIV data-tools='{\"title\":\"标题&lt;em&gt;1&lt;/em&gt;\","
                          u"\"url\":\"http://example.com/1\"}'><A class=c-tip-icon></A></DIV>"_s),
            qPrintable(body));
        QVERIFY(body.contains(u"<DIV class=c-abstract>这是第1条结果的摘要：<EM>甲#b&amp;c</EM>"_s));
        QVERIFY(body.contains(u"<H3><A href=\"http://example.com/3\">标题 3</A></H3>"_s));

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = closed.serverPort();
        closed.close();
        QVERIFY(
            navigateAndWait(u"http://127.0.0.1:"_s + QString::number(closedPort) + u"/s?wd=x"_s));
        // The error page stands in place of the last result page.
        QVERIFY(bodyAtReport.constLast().has_value());
        QVERIFY(!bodyAtReport.constLast()->contains(u"c-tip-icon"_s));

        QVERIFY(navigateAndWait(server->searchAddress(u"乙"_s)));
        QVERIFY(bodyAtReport.constLast()->contains(u"<EM>乙</EM>"_s));

        QCOMPARE(completed->count(), 3);
        QCOMPARE(began->count(), 3);
        QCOMPARE(busyAtReport, QList<bool>({false, false, false}));
    }

    // Element names, attribute quoting and escaping as the result reader expects them, read in
    // a world of its own so that the page's scripts cannot change the outcome.
    void bodyIsReadInTheDelimiterForm()
    {
        server->addPage(
            u"/forms"_s,
            u"<!DOCTYPE html><html><body><p id=x class=\"a b\" title=\"\" data-q='say \"hi\"' "
            u"data-both=\"it's &quot;x&quot;\" data-g=\"a>b&amp;c\" lang=zh-CN>1 &lt; 2 "
            u"&amp;&nbsp;3<br>中<img src=a.png alt=图></p><!-- note -->"
            u"<script>String.prototype.replace = function () { return 'x'; };</script>"
            u"<textarea>a &lt; b</textarea></body></html>"_s);
        QVERIFY(navigateAndWait(server->base() + u"/forms"_s));
        QCOMPARE(browser->bodyHtml().value_or(u"<none>"_s),
                 u"<P id=x class=\"a b\" title=\"\" data-q='say \"hi\"' "
                 u"data-both=\"it's &quot;x&quot;\" data-g=\"a&gt;b&amp;c\" lang=zh-CN>1 &lt; 2 "
                 u"&amp;&nbsp;3<BR>中<IMG src=a.png alt=\"图\"></P><!-- note -->"
                 u"<SCRIPT>String.prototype.replace = function () { return 'x'; };</SCRIPT>"
                 u"<TEXTAREA>a &lt; b</TEXTAREA>"_s);
    }

    // The older navigation is dropped both while its answer is still awaited and while its
    // body is being read.
    void replacedNavigationIsNotReported()
    {
        server->setDelay(u"慢"_s, 2000);
        QSignalSpy searched(server, &ResultServer::searched);
        QSignalSpy due(server, &ResultServer::delayedAnswerDue);
        browser->Navigate(server->searchAddress(u"慢"_s));
        QVERIFY(searched.wait(loadTimeout));
        QVERIFY(navigateAndWait(server->searchAddress(u"快"_s)));
        QVERIFY(browser->bodyHtml()->contains(u"<EM>快</EM>"_s));
        QVERIFY(due.wait(loadTimeout));
        QCoreApplication::processEvents();
        QCOMPARE(completed->count(), 1);

        // Replace the next one as soon as it has loaded, before its body comes back.
        bool replaced = false;
        connect(pageOf(*browser), &QWebEnginePage::loadingChanged, this,
                [&](const QWebEngineLoadingInfo &info) {
                    if (!replaced && info.status() != QWebEngineLoadingInfo::LoadStartedStatus) {
                        replaced = true;
                        browser->Navigate(server->searchAddress(u"后"_s));
                    }
                });
        QVERIFY(navigateAndWait(server->searchAddress(u"先"_s)));
        QVERIFY(replaced);
        QVERIFY(browser->bodyHtml()->contains(u"<EM>后</EM>"_s));
        QCOMPARE(completed->count(), 2);
        QCOMPARE(began->count(), 4);
    }

    void writeReplacesThenAppendsAndNeverReports()
    {
        QVERIFY(navigateAndWait(server->searchAddress(u"丙"_s)));
        const auto resultBody = browser->bodyHtml();

        QSignalSpy shown(pageOf(*browser), &QWebEnginePage::loadFinished);
        browser->Write(u"<p>one</p>"_s);
        QVERIFY(shown.wait(loadTimeout));
        QCOMPARE(shownText(*browser), u"one"_s);
        browser->Write(u"<p>two</p>"_s);
        QVERIFY(shown.wait(loadTimeout));
        QCOMPARE(shownText(*browser), u"one\n\ntwo"_s);
        QVERIFY(!browser->Busy());
        QVERIFY(browser->bodyHtml() == resultBody);

        // A write during a navigation waits for it instead of cancelling it.
        browser->Navigate(server->searchAddress(u"丁"_s));
        browser->Write(u"<p>three</p>"_s);
        QVERIFY(browser->Busy());
        QVERIFY(completed->wait(loadTimeout));
        QVERIFY(browser->bodyHtml()->contains(u"<EM>丁</EM>"_s));
        QVERIFY(spinUntil([&] { return shownText(*browser) == u"three"_s; }));
        QCOMPARE(began->count(), 2);
        QCOMPARE(completed->count(), 2);

        // A write made before a newer navigation is replaced by that page, never shown after it.
        browser->Navigate(server->searchAddress(u"戊"_s));
        browser->Write(u"<p>stale</p>"_s);
        browser->Navigate(server->searchAddress(u"己"_s));
        QVERIFY(completed->wait(loadTimeout));
        QSignalSpy later(pageOf(*browser), &QWebEnginePage::loadFinished);
        QVERIFY(!later.wait(1000));
        QVERIFY(shownText(*browser).contains(u"己"_s));
    }

    void silentModeSuppressesDialogs()
    {
        server->addPage(u"/alert"_s,
                        u"<body><script>alert(1); confirm('?');</script><p>after</p></body>"_s);
        // A dialog that does show is closed at once and counted, so a failure cannot hang.
        int dialogs = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                ++dialogs;
                modal->close();
            }
        });
        closer.start(50);

        QVERIFY(!browser->Silent());
        browser->setSilent(true);
        QVERIFY(browser->Silent());
        QVERIFY(navigateAndWait(server->base() + u"/alert"_s));
        QVERIFY(browser->bodyHtml()->endsWith(u"<P>after</P>"_s));
        QCOMPARE(dialogs, 0);
    }

    void newWindowLinksGoToTheSystemBrowser()
    {
        server->addPage(
            u"/link"_s,
            u"<body><a href=\"http://example.com/out\" target=\"_blank\">out</a></body>"_s);
        QVERIFY(navigateAndWait(server->base() + u"/link"_s));

        pageOf(*browser)->runJavaScript(u"document.querySelector('a').click()"_s);
        QVERIFY(spinUntil([&] { return !opened.isEmpty(); }));
        pageOf(*browser)->runJavaScript(u"window.open('http://example.com/js')"_s);
        QVERIFY(spinUntil([&] { return opened.size() == 2; }));
        QCOMPARE(opened, QList<QUrl>({QUrl(u"http://example.com/out"_s),
                                      QUrl(u"http://example.com/js"_s)}));
        QCOMPARE(completed->count(), 1);
    }

    // Deleted while loading and while reading: the late load end and script result must find
    // nothing to touch.
    void deletingMidNavigationIsSafe()
    {
        browser->Navigate(server->searchAddress(u"删"_s));
        browser.reset();

        auto reading = std::make_unique<WebSearchBrowser>();
        connect(pageOf(*reading), &QWebEnginePage::loadingChanged, this,
                [&](const QWebEngineLoadingInfo &info) {
                    if (reading && info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
                        reading.release()->deleteLater();
                });
        QSignalSpy destroyed(reading.get(), &QObject::destroyed);
        reading->Navigate(server->searchAddress(u"读"_s));
        QVERIFY(destroyed.wait(loadTimeout));

        init();
        QVERIFY(navigateAndWait(server->searchAddress(u"后来"_s)));
    }
};

QTEST_MAIN(TestWebSearchBrowser)
#include "tst_websearchbrowser.moc"
