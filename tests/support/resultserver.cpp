// SPDX-License-Identifier: GPL-3.0-or-later
#include "resultserver.h"

#include "check/pagewriter.h"
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

QString resultPage(const QString &query)
{
    ResultPageWriter page(ResultPageWriter::Form::Served);
    for (int i = 0; i < 6; ++i)
        page.paragraph(fillerParagraph).markup(u"\n");
    for (int n = 1; n <= 3; ++n) {
        const QString number = QString::number(n);
        const QString url = u"http://example.com/"_s + number;
        page.markup(u"<div class=\"result\"><h3><a href=\""_s + url + u"\">标题 "_s + number +
                    u"</a></h3>"_s)
            .result(u"标题<em>"_s + number + u"</em>"_s, url)
            .markup(u"<div class=\"c-abstract\">")
            .text(u"这是第"_s + number + u"条结果的摘要："_s)
            .highlight(query)
            .text(u"，后面还有一些文字。")
            .markup(u"</div></div>\n");
    }
    return page.document(u"搜索结果");
}

} // namespace

void writeHtmlAnswer(QTcpSocket *socket, const QByteArray &status, const QString &html)
{
    socket->write(htmlAnswer(status, html, true));
    socket->disconnectFromHost();
}

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
    Q_EMIT searched(query);

    if (m_unavailable.contains(query)) {
        writeHtmlAnswer(socket, "503 Service Unavailable",
                        u"<html><body><h1>服务暂时不可用，请稍后再试。</h1></body></html>"_s);
        return true;
    }
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
