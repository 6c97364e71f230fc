// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as what a client has sent so far on a connection to the engine: reading the head
// must not crash or hang, a verdict once given must stand whatever follows (the server answers
// as soon as there is one), a head never reaches past the limit, a request is served only when
// it names the engine's own address, and no refusal puts markup of the client's into its page.
#include "engine/request.h"

#include <algorithm>
#include <cstdlib>

using namespace quarnex;

namespace {

constexpr quint16 port = 8080;

bool same(const RequestHead &a, const RequestHead &b)
{
    return a.state == b.state && a.size == b.size && a.method == b.method && a.target == b.target &&
           a.host == b.host && a.keepAlive == b.keepAlive && a.hasBody == b.hasBody;
}

void checkRoute(const RequestHead &head)
{
    const EngineRequest request = routeRequest(head, port);
    if (request.kind == EngineRequest::Kind::Refused) {
        if (request.status.size() < 4 || request.reason.isEmpty())
            std::abort();
        return;
    }
    if (head.state != RequestHead::State::Complete || head.method != "GET" || head.hasBody ||
        (head.host != "127.0.0.1:8080" && head.host != "localhost:8080"))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The server never holds more than the head limit of a request.
    const QByteArrayView bytes =
        QByteArrayView(data, qsizetype(size)).first(std::min(qsizetype(size), maxRequestHead));
    const RequestHead head = readRequestHead(bytes);
    if (head.state == RequestHead::State::Complete) {
        if (head.size <= 0 || head.size > bytes.size() || head.method.isEmpty() ||
            !same(readRequestHead(bytes.first(head.size)), head))
            std::abort();
    }
    if (head.state == RequestHead::State::Incomplete && bytes.size() >= maxRequestHead)
        std::abort();
    // What was decided on fewer bytes holds for all of them.
    qsizetype cuts = 0;
    for (qsizetype cut = bytes.indexOf('\n'); cut >= 0 && cuts < 32;
         cut = bytes.indexOf('\n', cut + 1), ++cuts) {
        for (const qsizetype at : {cut, cut + 1}) {
            const RequestHead earlier = readRequestHead(bytes.first(std::min(at, bytes.size())));
            if (earlier.state != RequestHead::State::Incomplete && !same(earlier, head))
                std::abort();
        }
    }
    checkRoute(head);

    // The same bytes, white space and controls made letters, as the target of a request to the
    // engine itself.
    QByteArray target = bytes.toByteArray();
    std::replace_if(
        target.begin(), target.end(), [](char c) { return uchar(c) <= ' ' || c == 0x7f; }, 'x');
    const QByteArray own = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n";
    const RequestHead ownHead = readRequestHead(own);
    checkRoute(ownHead);
    if (ownHead.state == RequestHead::State::Complete &&
        routeRequest(ownHead, port).status == "403 Forbidden")
        std::abort();

    // The client's bytes as status and reason add no markup to the page.
    const QString text = QString::fromUtf8(bytes);
    const QString page = refusalPage(bytes.toByteArray(), text);
    if (page.count(u'<') != refusalPage({}, {}).count(u'<') || !page.contains(text.toHtmlEscaped()))
        std::abort();
    return 0;
}
