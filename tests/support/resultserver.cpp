#include "resultserver.h"

#include "engine/server.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace quarnex {

namespace {

// Ordinary prose, 98 CJK characters a paragraph; six make the page long enough to be scored.
constexpr QStringView fillerParagraph =
    u"春天来了，校园里的花都开了。同学们在图书馆里安静地读书，有的在写论文，有的在准备考试。"
    u"老师常说，学问要靠自己一点一点积累，抄来的东西终究不是自己的。我们应当认真对待每一次作业，"
    u"把自己的想法写清楚。";

// One result in the markup the result reader splits on: %1 its number, %2 the escaped query.
constexpr QStringView resultMarkup =
    uR"(<div class="result"><h3><a href="http://example.com/%1">标题 %1</a></h3>)"
    uR"(<div data-tools='{"title":"标题<em>%1</em>","url":"http://example.com/%1"}'>)"
    uR"(<a class="c-tip-icon"></a></div><div class="c-abstract">这是第%1条结果的摘要：)"
    uR"(<em>%2</em>，后面还有一些文字。</div></div>)"
    u"\n";

QString resultPage(const QString &query)
{
    QString html = u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>搜索结果</title>"
                   u"</head><body>\n"_s;
    for (int i = 0; i < 6; ++i)
        html += u"<p>"_s + fillerParagraph.toString() + u"</p>\n"_s;
    for (int n = 1; n <= 3; ++n)
        html += resultMarkup.toString().arg(QString::number(n), query.toHtmlEscaped());
    return html + u"</body></html>\n"_s;
}

} // namespace

ResultServer::ResultServer(QObject *parent) : QAbstractHttpServer(parent)
{
    m_port = listen(QHostAddress::LocalHost, 0);
}

QString ResultServer::base() const
{
    return u"http://127.0.0.1:"_s + QString::number(m_port);
}

bool ResultServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QUrl url = request.url();
    if (url.path() != u"/s"_s)
        return false;
    // The value runs to the next "&": a browser that encodes the text in full sends none in it.
    const QString query = QUrlQuery(url).queryItemValue(u"wd"_s, QUrl::FullyDecoded);
    m_rawTargets.append(
        url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded));
    m_queries.append(query);
    Q_EMIT searched(query);

    const QString html = m_pages.value(query, resultPage(query));
    const int delay = m_delays.value(query, 0);
    if (delay <= 0) {
        writeHtmlAnswer(socket, "200 OK", html);
        return true;
    }
    QTimer::singleShot(delay, this, [this, guard = QPointer<QTcpSocket>(socket), query, html] {
        const bool open = guard && guard->state() == QAbstractSocket::ConnectedState;
        if (open)
            writeHtmlAnswer(guard, "200 OK", html);
        Q_EMIT delayedAnswerDue(query, open);
    });
    return true;
}

void ResultServer::missingHandler(const QHttpServerRequest &, QTcpSocket *socket)
{
    writeHtmlAnswer(socket, "404 Not Found", u"<html><body>not found</body></html>"_s);
}

} // namespace quarnex
