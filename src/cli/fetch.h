// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/search.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <QStringView>
#include <QPointer>
#include <QUrl>

#include <functional>

namespace quarnex {

// The markup between the end of the first <body…> start tag and the last </body> (any letter
// case); the whole document when it has no body start tag.
QString bodyMarkup(QStringView html);

// The bytes decoded by the charset the response names: UTF-8 when it names none or one the
// decoder does not know.
QString decodeBody(const QByteArray &bytes, const QByteArray &contentType);

struct FetchedPage {
    QString body;
    // Empty when the page arrived (its body may still be empty).
    QString error;
};

// Fetches result pages one at a time like a browser would, keeping cookies for its lifetime.
// Needs a QCoreApplication and a running event loop.
class PageFetcher {
public:
    PageFetcher();
    ~PageFetcher();
    // Starts fetching, abandoning a fetch still under way; `done` is called once when it ends.
    void fetch(const QUrl &url, std::function<void(const FetchedPage &)> done);
    // Abandons the fetch under way: its `done` is not called.
    void abort();

private:
    QNetworkAccessManager m_manager;
    QPointer<QNetworkReply> m_reply;
};

} // namespace quarnex
