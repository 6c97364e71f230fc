// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/search.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringView>
#include <QUrl>

namespace quarnex {

// The markup between the end of the first <body…> start tag and the last </body> (any letter
// case); the whole document when it has no body start tag.
QString bodyMarkup(QStringView html);

// The bytes decoded by the charset the response names: UTF-8 when it names none or one the
// decoder does not know.
QString decodeBody(const QByteArray &bytes, const QByteArray &contentType);

struct FetchedPage {
    QString body;
    // Empty when a non-empty body arrived.
    QString error;
};

// Fetches result pages one at a time like a browser would, keeping cookies for its lifetime.
// Needs a QCoreApplication; each request runs its own event loop until it ends.
class PageFetcher {
public:
    PageFetcher();
    FetchedPage get(const QUrl &url);

private:
    QNetworkAccessManager m_manager;
};

// Waits so long while events are processed.
void pauseSeconds(double seconds);

} // namespace quarnex
