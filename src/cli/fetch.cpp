// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>

#include <memory>

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

FetchedPage PageFetcher::get(const QUrl &url)
{
    QNetworkRequest request(url);
    // Search sites answer bare clients with a different page or a block.
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                      "Chrome/108.0.0.0 Safari/537.36"_ba);
    request.setRawHeader("Accept-Language", "zh-CN");
    // A stalled connection fails like any other instead of holding the run forever.
    request.setTransferTimeout(30000);

    const std::unique_ptr<QNetworkReply> reply(m_manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        return {{}, u"HTTP status "_s + QString::number(status)};
    if (reply->error() != QNetworkReply::NoError)
        return {{}, reply->errorString()};
    const QString body = bodyMarkup(decodeBody(reply->readAll(), reply->rawHeader("Content-Type")));
    if (body.isEmpty())
        return {{}, u"empty page"_s};
    return {body, {}};
}

void pauseSeconds(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace quarnex
