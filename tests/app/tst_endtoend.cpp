// SPDX-License-Identifier: GPL-3.0-or-later
// The whole online check in the real window with the real WebEngine browser, against a test
// endpoint that logs what it received: analysis, the automatic run to its end, the figures, the
// report. The engine serves the same result markup (one writer); the command line's check runs
// against the engine itself.
#include "app/form1.h"
#include "app/listbox.h"
#include "engine/server.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"
#include "platform/websearchbrowser.h"
#include "resultserver.h"
#include "testcorpus.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// Waits in a running event loop, not with QTRY's sleeps, so WebEngine gets on at full speed.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(timeoutMs))
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QString shownHtml(QWidget *view)
{
    QString html;
    bool ready = false;
    static_cast<QWebEngineView *>(view)->page()->toHtml([&](const QString &result) {
        html = result;
        ready = true;
    });
    waitFor([&] { return ready; });
    return html;
}

// The window with the real browser, searching at base, with pauses a tenth as long.
std::unique_ptr<Form1> makeForm(const QString &base)
{
    MessageBox::setScripted(true);
    Form1Settings settings;
    settings.searchBase = base;
    settings.pauseScale = 0.1;
    settings.makeBrowser = [](QObject *parent) { return new WebSearchBrowser(parent); };
    auto form = std::make_unique<Form1>(std::move(settings));
    form->show();
    return form;
}

// Presses 开始自动对比 and waits for the one message that ends the run.
QList<MessageBox::Shown> runAutomatically(Form1 &form)
{
    form.Command3->click();
    QList<MessageBox::Shown> shown;
    waitFor([&] {
        shown += MessageBox::takeShown();
        return !shown.isEmpty();
    });
    return shown;
}

// The report as the browser shows it.
QString reportHtml(Form1 &form)
{
    form.Command5->click();
    QString html;
    waitFor([&] {
        html = shownHtml(form.WebBrowser1->view());
        return html.contains(u"</table>"_s);
    });
    return html;
}

} // namespace

class TstEndToEnd final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void automaticRunAgainstLocalEndpoint();
    void thesisAgainstLibrary();
};

void TstEndToEnd::automaticRunAgainstLocalEndpoint()
{
    ResultServer server;
    QVERIFY(server.port() != 0);
    const auto window = makeForm(server.base());
    Form1 &form = *window;

    form.RichTextBox1->setText(u"城市绿地很重要。居民#健康&幸福的生活。最后一句话？"_s);
    form.Command1->click();
    QCOMPARE(form.List1->count(), 3);
    const QList<MessageBox::Shown> shown = runAutomatically(form);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, u"本次对比结束！"_s);

    // Each page highlights its query, which must arrive whole, "#" and "&" too, three times: 24,
    // 48 (the "&" arrives as "&amp;") and 18 characters, for sentences of 8, 12 and 6
    // characters: 2, 4 and 1; overall 7 / 3.
    QCOMPARE(form.Label1->text(), u"现在正在对比第 3 句！共 3 句。"_s);
    QCOMPARE(form.Label2->text(), u"本句相似度：1%\r\n\r\n目前总体相似度：2.33%"_s);

    // Every sentence gathered the same three titles, so each counts 3; twins three places
    // apart each get a row, and the first empty slot one more.
    const QString html = reportHtml(form);
    QCOMPARE(html.count(u"<tr>"_s), 10);
    QCOMPARE(html.count(u"<td width=\"100\" align=\"center\">3</td>"_s), 9);
}

// Headings, the table of contents and the references find nothing in the library: the run goes
// on past them to its end, and the two documents the thesis copies from lead the report.
void TstEndToEnd::thesisAgainstLibrary()
{
    QTemporaryDir library;
    QVERIFY(testcorpus::writeThesisLibrary(library.path()));
    QString error;
    std::optional<EngineIndex> index = EngineIndex::fromFolder(library.path(), nullptr, &error);
    QVERIFY2(index, qPrintable(error));
    EngineServer engine(std::move(*index));
    QVERIFY(engine.start(0));
    const auto window = makeForm(engine.base());
    Form1 &form = *window;

    form.RichTextBox1->setText(testcorpus::thesis());
    form.Command1->click();
    const int sentences = form.List1->count();
    QVERIFY(sentences > 40);
    const QList<MessageBox::Shown> shown = runAutomatically(form);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, u"本次对比结束！"_s);
    QCOMPARE(form.Label1->text(), u"现在正在对比第 %1 句！共 %1 句。"_s.arg(sentences));
    const QString html = reportHtml(form);
    QVERIFY(html.indexOf(u"甲.txt"_s) >= 0);
    QVERIFY(html.indexOf(u"甲.txt"_s) < html.indexOf(u"乙.txt"_s));
    QVERIFY(!html.contains(u"丙.txt"_s) && !html.contains(u"丁.txt"_s));
}

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
