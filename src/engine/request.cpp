// SPDX-License-Identifier: GPL-3.0-or-later
#include "request.h"

#include <QList>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

RequestHead verdict(RequestHead::State state)
{
    RequestHead head;
    head.state = state;
    return head;
}

// The line in bytes from `from` to its LF, without the LF and a CR before it; -1 when the LF
// has not come yet.
qsizetype lineEnd(QByteArrayView bytes, qsizetype from, QByteArrayView *line)
{
    const qsizetype end = bytes.indexOf('\n', from);
    if (end >= 0) {
        *line = bytes.sliced(from, end - from);
        if (line->endsWith('\r'))
            line->chop(1);
    }
    return end;
}

// Control characters (a NUL, a lone CR) have no place in a line and could make two readers
// of the same request disagree on where it ends.
bool hasControl(QByteArrayView line)
{
    for (const char c : line)
        if ((uchar(c) < 0x20 && c != '\t') || c == 0x7f)
            return true;
    return false;
}

bool readRequestLine(QByteArrayView line, RequestHead *head)
{
    const QList<QByteArray> parts = line.toByteArray().split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty() || hasControl(line) ||
        line.contains('\t'))
        return false;
    if (parts[2] == "HTTP/1.0")
        head->keepAlive = false;
    else if (parts[2] != "HTTP/1.1")
        return false;
    head->method = parts[0];
    head->target = parts[1];
    return true;
}

bool readHeader(QByteArrayView line, RequestHead *head, bool *hostSeen)
{
    const qsizetype colon = line.indexOf(':');
    // A name with white space in it, or a line folded onto the one before, is refused: the
    // folding is obsolete, and a reader that took it differently could be sent another Host.
    if (colon <= 0 || line.first(colon).contains(' ') || line.first(colon).contains('\t') ||
        hasControl(line))
        return false;
    const QByteArray name = line.first(colon).toByteArray().toLower();
    const QByteArray value = line.sliced(colon + 1).toByteArray().trimmed();
    if (name == "host") {
        if (*hostSeen)
            return false;
        *hostSeen = true;
        head->host = value;
    } else if (name == "connection") {
        for (const QByteArray &option : value.toLower().split(',')) {
            if (option.trimmed() == "close")
                head->keepAlive = false;
            else if (option.trimmed() == "keep-alive" && !value.toLower().contains("close"))
                head->keepAlive = true;
        }
    } else if (name == "content-length") {
        head->hasBody = head->hasBody || value != "0";
    } else if (name == "transfer-encoding") {
        head->hasBody = true;
    }
    return true;
}

EngineRequest refused(const char *status, const QString &reason)
{
    return {EngineRequest::Kind::Refused, {}, status, reason};
}

} // namespace

RequestHead readRequestHead(QByteArrayView bytes)
{
    // A client may send an empty line after a request it has sent before.
    qsizetype start = 0;
    while (start < bytes.size() && (bytes[start] == '\r' || bytes[start] == '\n'))
        ++start;
    QByteArrayView line;
    qsizetype end = lineEnd(bytes, start, &line);
    // The line's last byte might still be the CR before its LF.
    if (end < 0 ? bytes.size() - start - 1 > maxRequestLine : line.size() > maxRequestLine)
        return verdict(RequestHead::State::LineTooLong);
    RequestHead head;
    if (end >= 0 && !readRequestLine(line, &head))
        return verdict(RequestHead::State::Malformed);
    bool hostSeen = false;
    while (end >= 0 && end < maxRequestHead) {
        end = lineEnd(bytes, end + 1, &line);
        if (end < 0 || end >= maxRequestHead)
            break;
        if (line.isEmpty()) {
            head.state = RequestHead::State::Complete;
            head.size = end + 1;
            return head;
        }
        if (!readHeader(line, &head, &hostSeen))
            return verdict(RequestHead::State::Malformed);
    }
    return verdict(bytes.size() >= maxRequestHead ? RequestHead::State::HeadTooLarge
                                                  : RequestHead::State::Incomplete);
}

EngineRequest routeRequest(const RequestHead &head, quint16 port)
{
    switch (head.state) {
    case RequestHead::State::Complete:
        break;
    case RequestHead::State::LineTooLong:
        return refused("414 URI Too Long",
                       u"请求行太长：本检索服务最多读取 %1 字节。"_s.arg(maxRequestLine));
    case RequestHead::State::HeadTooLarge:
        return refused("431 Request Header Fields Too Large",
                       u"请求头太大：本检索服务最多读取 %1 字节。"_s.arg(maxRequestHead));
    case RequestHead::State::Incomplete:
    case RequestHead::State::Malformed:
        return refused("400 Bad Request", u"请求的格式不正确。"_s);
    }
    // A web page whose name is made to resolve to 127.0.0.1 reaches this port from the browser
    // and would read the library; its requests name that site, not this address.
    const QByteArray own = ':' + QByteArray::number(port);
    if (head.host != "127.0.0.1" + own && head.host != "localhost" + own)
        return refused("403 Forbidden", u"本检索服务只回答发往本机地址 127.0.0.1 的请求。"_s);
    if (head.method != "GET" || head.hasBody)
        return refused("400 Bad Request", u"本检索服务只接受不带正文的 GET 请求。"_s);
    if (!head.target.startsWith('/'))
        return refused("400 Bad Request", u"请求的格式不正确。"_s);

    const qsizetype question = head.target.indexOf('?');
    const QByteArray rawPath = question < 0 ? head.target : head.target.first(question);
    const QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(rawPath));
    if (path == u"/s"_s) {
        const QByteArray query = question < 0 ? QByteArray() : head.target.sliced(question + 1);
        for (QByteArray item : query.split('&')) {
            if (item.startsWith("wd="))
                return {EngineRequest::Kind::Search,
                        QString::fromUtf8(
                            QByteArray::fromPercentEncoding(item.sliced(3).replace('+', ' '))),
                        {},
                        {}};
        }
        return refused("400 Bad Request", u"缺少检索文字：请用 /s?wd=文字 检索。"_s);
    }
    if (path.startsWith(u"/doc/"_s))
        return {EngineRequest::Kind::Document, path.sliced(5), {}, {}};
    return refused("404 Not Found", u"本检索服务只提供 /s?wd=文字 和 /doc/文档名。"_s);
}

QString refusalPage(const QByteArray &status, const QString &reason)
{
    return u"<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>"_s +
           QString::fromLatin1(status).toHtmlEscaped() + u"</title></head><body><h1>"_s +
           QString::fromLatin1(status).toHtmlEscaped() + u"</h1><p>"_s + reason.toHtmlEscaped() +
           u"</p></body></html>\n"_s;
}

} // namespace quarnex
