// SPDX-License-Identifier: GPL-3.0-or-later
#include "websearchbrowser.h"

#include "messagebox.h"
#include "shell.h"

#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

using namespace Qt::StringLiterals;

namespace quarnex {

namespace {

// Serialises the body's child nodes the way the result reader expects them, independently of
// how the engine would write innerHTML: upper-case element names, attributes in document order
// with lower-case names, values bare when they are plain ("class=c-tip-icon"), in double quotes
// otherwise, or in single quotes when they hold a double quote and no single quote
// ("data-tools='{"title":"t"}'"). Returns "" for a document without a body.
constexpr QStringView bodyScript = uR"js((function () {
    var body = document.body;
    if (!body)
        return '';
    var voidElements = ['AREA', 'BASE', 'BR', 'COL', 'EMBED', 'HR', 'IMG', 'INPUT', 'LINK',
                        'META', 'PARAM', 'SOURCE', 'TRACK', 'WBR'];
    var rawElements = ['SCRIPT', 'STYLE'];
    var out = [];
    function escapeMarkup(s) {
        return s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
    }
    function attributeValue(v) {
        if (/^[A-Za-z0-9\-_.:]+$/.test(v))
            return v;
        var escaped = escapeMarkup(v);
        if (v.indexOf('"') >= 0 && v.indexOf("'") < 0)
            return "'" + escaped + "'";
        return '"' + escaped.replace(/"/g, '&quot;') + '"';
    }
    function write(node, raw) {
        switch (node.nodeType) {
        case Node.ELEMENT_NODE:
            var name = node.tagName.toUpperCase();
            out.push('<', name);
            for (var i = 0; i < node.attributes.length; ++i) {
                var a = node.attributes[i];
                out.push(' ', a.name.toLowerCase(), '=', attributeValue(a.value));
            }
            out.push('>');
            if (voidElements.indexOf(name) >= 0)
                return;
            var children = node.content ? node.content.childNodes : node.childNodes;
            var rawChildren = rawElements.indexOf(name) >= 0;
            for (var c = 0; c < children.length; ++c)
                write(children[c], rawChildren);
            out.push('</', name, '>');
            return;
        case Node.TEXT_NODE:
        case Node.CDATA_SECTION_NODE:
            out.push(raw ? node.data : escapeMarkup(node.data).replace(/\u00a0/g, '&nbsp;'));
            return;
        case Node.COMMENT_NODE:
            out.push('<!--', node.data, '-->');
            return;
        }
    }
    for (var n = 0; n < body.childNodes.length; ++n)
        write(body.childNodes[n], false);
    return out.join('');
})())js";

} // namespace

// The page of the search browser: it keeps script dialogs and console noise quiet when asked
// to, and never opens a window of its own.
class SearchPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

    bool silent = false;

protected:
    void javaScriptAlert(const QUrl &origin, const QString &message) override
    {
        if (!silent)
            QWebEnginePage::javaScriptAlert(origin, message);
    }
    bool javaScriptConfirm(const QUrl &origin, const QString &message) override
    {
        return !silent && QWebEnginePage::javaScriptConfirm(origin, message);
    }
    bool javaScriptPrompt(const QUrl &origin, const QString &message, const QString &defaultValue,
                          QString *result) override
    {
        return !silent && QWebEnginePage::javaScriptPrompt(origin, message, defaultValue, result);
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int line, const QString &source) override
    {
        if (!silent)
            QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
    }
    // New windows are handed to the system browser in newWindowRequested; none is made here.
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
};

namespace {

bool opensOutside(const QWebEngineNewWindowRequest &request)
{
    const QUrl url = request.requestedUrl();
    const QString scheme = url.scheme();
    return request.isUserInitiated() && url.isValid() && !url.host().isEmpty() &&
           (scheme == u"http"_s || scheme == u"https"_s);
}

} // namespace

WebSearchBrowser::WebSearchBrowser(QObject *parent)
    : SearchBrowser(parent), m_view(new QWebEngineView)
{
    m_view->setObjectName(u"WebSearchBrowserView"_s);
    m_page = new SearchPage(m_view);
    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebSearchBrowser::loadingChanged);
    // Only a link the user clicked leaves for the system browser, and only to a web address: a
    // page's own script opens nothing, and blocked or custom-scheme addresses stay here.
    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) {
                if (opensOutside(request) &&
                    !Shell::openUrl(request.requestedUrl().toString(QUrl::FullyEncoded)))
                    MessageBox::critical(m_view, u"调用浏览器错误！"_s, u"错误："_s);
            });
    // A renderer that dies takes the pending load and read with it; end the navigation rather
    // than stay busy for ever.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (m_state != State::Idle)
            bodyRead(QVariant());
    });
}

// The view belongs to whichever window it was placed in; delete it only if it was never placed.
WebSearchBrowser::~WebSearchBrowser()
{
    if (m_page)
        m_page->disconnect(this);
    if (m_view && !m_view->parent())
        delete m_view.data();
}

QWidget *WebSearchBrowser::view()
{
    return m_view;
}

void WebSearchBrowser::Navigate(const QString &url)
{
    ++m_generation;
    m_state = State::Loading;
    m_previousTarget = m_target;
    m_target = sendableUrl(url);
    m_writeReplaces = true;
    // What was written before this navigation is replaced by its page, so it is never shown.
    m_writeHeld = false;
    if (m_page)
        m_page->load(m_target);
    Q_EMIT DownloadBegin();
}

void WebSearchBrowser::Stop()
{
    if (m_state == State::Idle)
        return;
    // A newer generation drops the body read of the abandoned load; a late end of its load is
    // ignored while idle, and as the previous target once the next navigation has begun.
    ++m_generation;
    m_state = State::Idle;
    if (m_page)
        m_page->triggerAction(QWebEnginePage::Stop);
    if (m_writeHeld) {
        m_writeHeld = false;
        showWritten();
    }
}

void WebSearchBrowser::setSilent(bool silent)
{
    if (m_page)
        m_page->silent = silent;
}

bool WebSearchBrowser::Silent() const
{
    return m_page && m_page->silent;
}

void WebSearchBrowser::Write(const QString &html)
{
    if (m_writeReplaces)
        m_written.clear();
    m_written += html;
    m_writeReplaces = false;
    if (m_state == State::Idle)
        showWritten();
    else
        m_writeHeld = true;
}

void WebSearchBrowser::loadingChanged(const QWebEngineLoadingInfo &info)
{
    if (m_state != State::Loading || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    // Qt reports the end of a load one event-loop pass late, so the end of what was shown just
    // before this navigation began can still arrive: a write (a data: URL) or the navigation
    // before.
    const QUrl url = info.url();
    const QString data = u"data"_s;
    if (url != m_target &&
        (url == m_previousTarget || (url.scheme() == data && m_target.scheme() != data)))
        return;

    m_state = State::Reading;
    // A page that loads fine can still end in a "failed" status carrying HTTP 200.
    m_failed = info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
               !(info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
                 info.errorCode() < 400);
    const quint64 generation = m_generation;
    const auto stillWanted = [self = QPointer(this), generation] {
        return self && self->m_generation == generation && self->m_state == State::Reading;
    };
    m_page->runJavaScript(bodyScript.toString(), QWebEngineScript::ApplicationWorld,
                          [this, stillWanted](const QVariant &result) {
                              if (stillWanted())
                                  bodyRead(result);
                          });
    QTimer::singleShot(bodyReadTimeoutMs, this, [this, stillWanted] {
        if (stillWanted())
            bodyRead(QVariant());
    });
}

void WebSearchBrowser::bodyRead(const QVariant &result)
{
    m_body =
        result.typeId() == QMetaType::QString ? std::optional(result.toString()) : std::nullopt;
    m_state = State::Idle;
    if (m_writeHeld) {
        m_writeHeld = false;
        showWritten();
    }
    Q_EMIT DownloadComplete();
}

QString WebSearchBrowser::pageUrl() const
{
    return m_page ? m_page->url().toString() : QString();
}

QString WebSearchBrowser::pageTitle() const
{
    return m_page ? m_page->title() : QString();
}

void WebSearchBrowser::showWritten()
{
    if (m_page)
        m_page->setHtml(m_written);
}

} // namespace quarnex
