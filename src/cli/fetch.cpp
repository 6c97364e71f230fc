// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

namespace quarnex {
using namespace Qt::StringLiterals;

QString bodyMarkup(QStringView html)
{
    // "<bodyfoo" is another tag; the start tag name ends at ">", "/" or a blank.
    qsizetype start = -1;
    for (qsizetype at = html.indexOf(u"<body", 0, Qt::CaseInsensitive); at >= 0;
         at = html.indexOf(u"<body", at + 1, Qt::CaseInsensitive)) {
        const qsizetype next = at + 5;
        if (next == html.size() || html[next] == u'>' || html[next] == u'/' ||
            html[next].isSpace()) {
            start = at;
            break;
        }
    }
    if (start < 0)
        return html.toString();
    const qsizetype close = html.indexOf(u'>', start);
    if (close < 0)
        return QString();
    const qsizetype end = html.lastIndexOf(u"</body>", -1, Qt::CaseInsensitive);
    return html.sliced(close + 1, (end > close ? end : html.size()) - close - 1).toString();
}

QString decodeBody(const QByteArray &bytes, const QByteArray &contentType)
{
    QByteArray charset;
    for (const QByteArray &parameter : contentType.split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        if (trimmed.toLower().startsWith("charset="))
            charset = trimmed.sliced(8).replace('"', QByteArray()).trimmed();
    }
    QStringDecoder decoder(charset.isEmpty() ? "UTF-8" : charset.constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(bytes);
}

PageFetcher::PageFetcher()
{
    m_manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

PageFetcher::~PageFetcher()
{
    abort();
}

void PageFetcher::abort()
{
    if (QNetworkReply *reply = m_reply.data()) {
        m_reply.clear();
        reply->disconnect();
        reply->abort();
        reply->deleteLater();
    }
}

void PageFetcher::fetch(const QUrl &url, std::function<void(const FetchedPage &)> done)
{
    abort();
    QNetworkRequest request(url);
    // Search sites answer bare clients with a different page or a block.
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                      "Chrome/108.0.0.0 Safari/537.36"_ba);
    request.setRawHeader("Accept-Language", "zh-CN");
    // A stalled connection fails like any other instead of holding the run.
    request.setTransferTimeout(30000);

    QNetworkReply *reply = m_manager.get(request);
    m_reply = reply;
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, done] {
        m_reply.clear();
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400)
            return done({{}, u"HTTP status "_s + QString::number(status)});
        if (reply->error() != QNetworkReply::NoError)
            return done({{}, reply->errorString()});
        done({bodyMarkup(decodeBody(reply->readAll(), reply->rawHeader("Content-Type"))), {}});
    });
}

} // namespace quarnex
