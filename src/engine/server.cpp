// SPDX-License-Identifier: GPL-3.0-or-later
#include "server.h"

#include <QFutureWatcher>
#include <QHttpServerRequest>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QtConcurrent/QtConcurrentRun>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

QString errorPage(const QString &reason)
{
    return u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body><p>"_s +
           reason.toHtmlEscaped() + u"</p></body></html>\n"_s;
}

} // namespace

void writeHtmlAnswer(QTcpSocket *socket, const QByteArray &status, const QString &html)
{
    const QByteArray body = html.toUtf8();
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\n" +
                  "Content-Length: " + QByteArray::number(body.size()) +
                  "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

EngineServer::EngineServer(EngineIndex index, QObject *parent)
    : QAbstractHttpServer(parent), m_index(std::make_shared<const EngineIndex>(std::move(index)))
{}

quint16 EngineServer::start(quint16 port)
{
    m_port = quint16(listen(QHostAddress::LocalHost, port));
    return m_port;
}

QString EngineServer::base() const
{
    return u"http://127.0.0.1:"_s + QString::number(m_port);
}

bool EngineServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // A web page whose name is made to resolve to 127.0.0.1 reaches this port from the browser
    // and would read the library; its requests name that site, not this address.
    const QByteArray host = request.value("Host");
    const QByteArray port = ':' + QByteArray::number(m_port);
    if (host != "127.0.0.1" + port && host != "localhost" + port) {
        writeHtmlAnswer(socket, "403 Forbidden", errorPage(u"Only 127.0.0.1 is answered."_s));
        return true;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        writeHtmlAnswer(socket, "400 Bad Request", errorPage(u"Only GET is answered."_s));
        return true;
    }
    const QUrl url = request.url();
    const QString path = url.path(QUrl::FullyDecoded);
    if (path == u"/s"_s) {
        const QUrlQuery query(url);
        if (!query.hasQueryItem(u"wd"_s)) {
            writeHtmlAnswer(socket, "400 Bad Request",
                            errorPage(u"The search text wd is missing."_s));
            return true;
        }
        // The watcher dies with the socket, so an answer for a closed connection is dropped; the
        // task holds the index, so it may outlive the server.
        auto *watcher = new QFutureWatcher<QString>(socket);
        connect(watcher, &QFutureWatcherBase::finished, socket, [watcher, socket] {
            writeHtmlAnswer(socket, "200 OK", watcher->result());
            watcher->deleteLater();
        });
        watcher->setFuture(QtConcurrent::run(
            [index = m_index, text = query.queryItemValue(u"wd"_s, QUrl::FullyDecoded),
             base = base()] { return resultPage(*index, text, base); }));
        return true;
    }
    if (path.startsWith(u"/doc/"_s)) {
        if (const EngineDocument *document = m_index->find(QStringView(path).mid(5)))
            writeHtmlAnswer(socket, "200 OK", documentPage(*document));
        else
            writeHtmlAnswer(socket, "404 Not Found", errorPage(u"No such document."_s));
        return true;
    }
    return false;
}

void EngineServer::missingHandler(const QHttpServerRequest &, QTcpSocket *socket)
{
    writeHtmlAnswer(socket, "404 Not Found",
                    errorPage(u"Only /s?wd=TEXT and /doc/NAME are served."_s));
}

} // namespace quarnex
