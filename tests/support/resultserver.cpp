#include "resultserver.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace quarnex {

namespace {

// Ordinary prose, 98 CJK characters a paragraph; six make the page long enough to be scored.
constexpr QStringView fillerParagraph =
    u"春天来了，校园里的花都开了。同学们在图书馆里安静地读书，有的在写论文，有的在准备考试。"
    u"老师常说，学问要靠自己一点一点积累，抄来的东西终究不是自己的。我们应当认真对待每一次作业，"
    u"把自己的想法写清楚。";

QString filler()
{
    QString text;
    for (int i = 0; i < 6; ++i)
        text += u"<p>"_s + fillerParagraph.toString() + u"</p>\n"_s;
    return text;
}

// One result in the markup the result reader splits on; `highlight` is already escaped.
QString result(int number, const QString &highlight)
{
    const QString n = QString::number(number);
    const QString title = highlight.isEmpty() ? u"标题 "_s + n : u"标题<em>"_s + n + u"</em>"_s;
    const QString abstract = highlight.isEmpty() ? u"这是第"_s + n + u"条结果的摘要。"_s
                                                 : u"这是第"_s + n + u"条结果的摘要：<em>"_s +
                                                       highlight + u"</em>，后面还有一些文字。"_s;
    return u"<div class=\"result\"><h3><a href=\"http://example.com/"_s + n + u"\">标题 "_s + n +
           u"</a></h3><div data-tools='{\"title\":\""_s + title +
           u"\",\"url\":\"http://example.com/"_s + n +
           u"\"}'><a class=\"c-tip-icon\"></a></div><div class=\"c-abstract\">"_s + abstract +
           u"</div></div>\n"_s;
}

QString page(const QString &highlight)
{
    QString html = u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>搜索结果</title>"
                   u"</head><body>\n"_s;
    html += filler();
    for (int n = 1; n <= 3; ++n)
        html += result(n, highlight);
    html += u"</body></html>\n"_s;
    return html;
}

void answer(QTcpSocket *socket, int status, const QByteArray &reason, const QString &html)
{
    const QByteArray body = html.toUtf8();
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    response += "Content-Type: text/html; charset=utf-8\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    socket->write(response + body);
    socket->disconnectFromHost();
}

} // namespace

ResultServer::ResultServer(QObject *parent) : QAbstractHttpServer(parent)
{
    m_port = listen(QHostAddress::LocalHost, 0);
}

ResultServer::~ResultServer() = default;

QString ResultServer::base() const
{
    return u"http://127.0.0.1:"_s + QString::number(m_port);
}

QString ResultServer::searchAddress(const QString &text) const
{
    return base() + u"/s?wd="_s + text;
}

void ResultServer::setPage(const QString &query, const QString &html)
{
    m_pages.insert(query, html);
}

void ResultServer::setDelay(const QString &query, int milliseconds)
{
    m_delays.insert(query, milliseconds);
}

void ResultServer::addPage(const QString &path, const QString &html)
{
    m_fixedPages.insert(path, html);
}

QString ResultServer::resultPage(const QString &highlight)
{
    return page(highlight.toHtmlEscaped());
}

QString ResultServer::plainPage()
{
    return page({});
}

bool ResultServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QUrl url = request.url();
    const QString path = url.path();
    if (path != u"/s"_s) {
        const auto fixed = m_fixedPages.constFind(path);
        if (fixed == m_fixedPages.constEnd())
            return false;
        answer(socket, 200, "OK", *fixed);
        return true;
    }

    // The value runs to the next "&": a browser that encodes the text in full sends none in it.
    const QByteArray encodedQuery = url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray value;
    for (const QByteArray &item : encodedQuery.split('&')) {
        if (item.startsWith("wd=")) {
            value = item.mid(3);
            break;
        }
    }
    const QString query = QUrl::fromPercentEncoding(value);
    m_rawTargets.append(
        url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded));
    m_queries.append(query);
    Q_EMIT searched(query);

    const QString html = m_pages.value(query, resultPage(query));
    const int delay = m_delays.value(query, 0);
    if (delay <= 0) {
        answer(socket, 200, "OK", html);
        return true;
    }
    QTimer::singleShot(delay, this, [this, guard = QPointer<QTcpSocket>(socket), query, html] {
        const bool open = guard && guard->state() == QAbstractSocket::ConnectedState;
        if (open)
            answer(guard, 200, "OK", html);
        Q_EMIT delayedAnswerDue(query, open);
    });
    return true;
}

void ResultServer::missingHandler(const QHttpServerRequest &, QTcpSocket *socket)
{
    answer(socket, 404, "Not Found", u"<html><body>not found</body></html>"_s);
}

} // namespace quarnex
