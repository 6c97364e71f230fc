// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quarnex {

// What the engine reads of one request before it answers 414 or 431: the search link of the
// longest query searched (512 characters, up to 9 bytes each once percent-encoded) fits the
// line with room to spare, and a browser's headers fit the head.
inline constexpr qsizetype maxRequestLine = 8 * 1024;
inline constexpr qsizetype maxRequestHead = 16 * 1024;

// The line and headers of the first request in the bytes received so far on a connection.
struct RequestHead {
    enum class State { Incomplete, Complete, Malformed, LineTooLong, HeadTooLarge };
    State state = State::Incomplete;
    qsizetype size = 0;    // Complete: the bytes up to and including the blank line
    QByteArray method;     // "GET"
    QByteArray target;     // "/s?wd=%E5%9F%8E"
    QByteArray host;       // the Host header as sent, empty when there is none
    bool keepAlive = true; // false for "Connection: close" and for HTTP/1.0 without keep-alive
    bool hasBody = false;  // a Content-Length other than 0, or any Transfer-Encoding
};

// Lines end in CRLF or LF; empty lines before the request line are passed over. The verdict
// needs no more bytes than the limits: a line of maxRequestLine bytes without its end is
// LineTooLong, a head of maxRequestHead bytes without its blank line HeadTooLarge.
// "GET /s?wd=a HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\nGET …" is Complete with size 45.
RequestHead readRequestHead(QByteArrayView bytes);

// What a request asks of the engine, decided from its head alone.
struct EngineRequest {
    enum class Kind { Search, Document, Refused };
    Kind kind = Kind::Refused;
    QString text;      // Search: the query; Document: the name below the library folder
    QByteArray status; // Refused: "403 Forbidden", …
    QString reason;    // Refused: the sentence the error page shows
};

// "GET /s?wd=TEXT" searches TEXT ("+" is a space, as a browser's form sends it); "GET
// /doc/NAME" shows a document; anything else is refused with its status and reason. Only
// requests naming the engine's own address, 127.0.0.1:port or localhost:port, are served.
EngineRequest routeRequest(const RequestHead &head, quint16 port);

// The error page of a refusal: the status and the reason, in the user's language.
QString refusalPage(const QByteArray &status, const QString &reason);

} // namespace quarnex
