// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell.h"
#include "platform/websearchbrowser.h"
#include "resultserver.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quarnex;

// WebEngine loads on a loaded two-core machine can take seconds each.
constexpr int loadTimeout = 30000;

class TestWebSearchBrowser : public QObject {
    Q_OBJECT

    ResultServer *server = nullptr;
    std::unique_ptr<WebSearchBrowser> browser;
    std::unique_ptr<QSignalSpy> completed;

    QWebEnginePage *page() { return qobject_cast<QWebEngineView *>(browser->view())->page(); }

    // Navigates and waits for the navigation's DownloadComplete.
    bool navigateAndWait(const QString &url)
    {
        browser->Navigate(url);
        return browser->Busy() && completed->wait(loadTimeout);
    }

    // The text the page shows, or "<timeout>".
    QString shownText()
    {
        QSignalSpy read(this, &TestWebSearchBrowser::textRead);
        page()->runJavaScript(u"document.body.innerText.trim()"_s,
                              [this](const QVariant &text) { Q_EMIT textRead(text.toString()); });
        return read.wait(loadTimeout) ? read.constFirst().constFirst().toString() : u"<timeout>"_s;
    }

Q_SIGNALS:
    void textRead(const QString &text);

private Q_SLOTS:
    void initTestCase()
    {
        Shell::setScripted(true);
        server = new ResultServer(this);
        QVERIFY(server->port() != 0);
    }

    void init()
    {
        browser = std::make_unique<WebSearchBrowser>();
        completed = std::make_unique<QSignalSpy>(browser.get(), &SearchBrowser::DownloadComplete);
    }

    void sendableUrl()
    {
        const QList<std::pair<QString, QByteArray>> cases{
            {u"http://h/s?ie=utf-8&wd=a#b c&d+e%41"_s,
             "http://h/s?ie=utf-8&wd=a%23b%20c%26d%2Be%2541"_ba},
            {u"http://h/s?wd=中😀"_s, "http://h/s?wd=%E4%B8%AD%F0%9F%98%80"_ba},
            {u"http://h/f?q=1 2"_s, "http://h/f?q=1%202"_ba}, // no wd: after the first "="
            {u"about:blank"_s, "about:blank"_ba}};
        for (const auto &[readable, sent] : cases)
            QCOMPARE(quarnex::sendableUrl(readable).toEncoded(), sent);
    }

    // A search, a load that fails, a search that replaces one still awaiting its answer, one
    // after a stopped search and a page with dialogs and a new-window link: one report each, not
    // busy, with the body read before it, and no late one.
    void eachNavigationIsReportedOnce()
    {
        QList<bool> busyAtReport;
        QStringList bodies;
        connect(browser.get(), &SearchBrowser::DownloadComplete, this, [&] {
            busyAtReport.append(browser->Busy());
            bodies.append(browser->bodyHtml().value_or(u"<none>"_s));
        });

        QVERIFY(navigateAndWait(server->searchAddress(u"甲#b&c"_s)));
        QCOMPARE(server->rawTargets().constLast(), u"/s?wd=%E7%94%B2%23b%26c"_s);
        QVERIFY(bodies.constLast().contains(
            u"<DIV data-tools='{\"title\":\"标题&lt;em&gt;1&lt;/em&gt;"
            u"\",\"url\":\"http://example.com/1\"}'><A class=c-tip-icon></A></DIV>"_s));
        QVERIFY(bodies.constLast().contains(u"摘要：<EM>甲#b&amp;c</EM>"_s));
        QVERIFY(!browser->Failed());

        // Chromium refuses port 1 without trying it.
        QVERIFY(navigateAndWait(u"http://127.0.0.1:1/"_s));
        QVERIFY(!bodies.constLast().contains(u"c-tip-icon"_s)); // the error page, read anew
        QVERIFY(browser->Failed());
        // A server error is a failed search too, though the server's page stands.
        server->setUnavailable(u"忙"_s);
        QVERIFY(navigateAndWait(server->searchAddress(u"忙"_s)));
        QVERIFY(bodies.constLast().contains(u"服务暂时不可用"_s));
        QVERIFY(browser->Failed());

        server->setDelay(u"慢"_s, 2000);
        QSignalSpy searched(server, &ResultServer::searched);
        QSignalSpy due(server, &ResultServer::delayedAnswerDue);
        browser->Navigate(server->searchAddress(u"慢"_s));
        QVERIFY(searched.wait(loadTimeout));
        QVERIFY(navigateAndWait(server->searchAddress(u"快"_s)));
        QVERIFY(bodies.constLast().contains(u"<EM>快</EM>"_s));

        // A stopped search is not reported either, nor does its end disturb the next one.
        server->setDelay(u"停"_s, 1000);
        browser->Navigate(server->searchAddress(u"停"_s));
        QVERIFY(searched.wait(loadTimeout));
        browser->Stop();
        QVERIFY(!browser->Busy());
        QVERIFY(navigateAndWait(server->searchAddress(u"再"_s)));
        QVERIFY(bodies.constLast().contains(u"<EM>再</EM>"_s));

        // In silent mode a page raises no dialog, and a new-window link goes to the system browser.
        server->setPage(u"alert"_s,
                        u"<body><script>alert(1); confirm('?');</script>"
                        u"<a href=http://example.com/out target=_blank style='display:block;"
                        u"width:300px;height:200px'>out</a></body>"_s);
        int dialogs = 0; // a dialog that does show is closed at once and counted
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (QWidget *modal = QApplication::activeModalWidget())
                dialogs += modal->close();
        });
        closer.start(50);
        browser->setSilent(true);
        QVERIFY(navigateAndWait(server->searchAddress(u"alert"_s)));
        QCOMPARE(dialogs, 0);

        // The page's own script opening a window is refused; the user's click goes out.
        page()->runJavaScript(u"window.open('http://example.com/script');"
                              u"window.open('about:blank#blocked')"_s);
        QWidget *view = browser->view();
        view->resize(400, 300);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QWidget *input = view->focusProxy() ? view->focusProxy() : view;
        QStringList opened;
        QTRY_VERIFY_WITH_TIMEOUT((QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(20, 20)),
                                  opened += Shell::takeOpened(), !opened.isEmpty()),
                                 loadTimeout);
        for (const QString &url : std::as_const(opened))
            QCOMPARE(url, u"http://example.com/out"_s);
        view->hide();

        QTRY_COMPARE_WITH_TIMEOUT(due.count(), 2, loadTimeout);
        QCoreApplication::processEvents();
        QCOMPARE(busyAtReport, QList<bool>({false, false, false, false, false, false}));
    }

    void writeReplacesThenAppendsAndNeverReports()
    {
        QVERIFY(navigateAndWait(server->searchAddress(u"丙"_s)));
        QSignalSpy shown(page(), &QWebEnginePage::loadFinished);
        browser->Write(u"<p>one</p>"_s);
        QVERIFY(shown.wait(loadTimeout));
        QCOMPARE(shownText(), u"one"_s);
        browser->Write(u"<p>two</p>"_s);
        QVERIFY(shown.wait(loadTimeout));
        QCOMPARE(shownText(), u"one\n\ntwo"_s);
        QVERIFY(!browser->Busy());

        // A write during a navigation waits for it instead of cancelling it.
        browser->Navigate(server->searchAddress(u"丁"_s));
        browser->Write(u"<p>three</p>"_s);
        QVERIFY(browser->Busy());
        QVERIFY(completed->wait(loadTimeout));
        QVERIFY(browser->bodyHtml()->contains(u"<EM>丁</EM>"_s));
        QVERIFY(shown.wait(loadTimeout));
        QCOMPARE(shownText(), u"three"_s);
        QCOMPARE(completed->count(), 2);

        // A write made before a newer navigation is replaced by that page, never shown after it.
        browser->Navigate(server->searchAddress(u"戊"_s));
        browser->Write(u"<p>stale</p>"_s);
        browser->Navigate(server->searchAddress(u"己"_s));
        QVERIFY(completed->wait(loadTimeout));
        QSignalSpy later(page(), &QWebEnginePage::loadFinished);
        QVERIFY(!later.wait(1000));
        QVERIFY(shownText().contains(u"己"_s));
    }
};

QTEST_MAIN(TestWebSearchBrowser)
#include "tst_websearchbrowser.moc"
