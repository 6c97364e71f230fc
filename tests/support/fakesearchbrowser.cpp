// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakesearchbrowser.h"

#include <QWidget>

namespace quarnex {

FakeSearchBrowser::FakeSearchBrowser(QObject *parent) : SearchBrowser(parent), m_view(new QWidget)
{
    m_view->setObjectName(QStringLiteral("FakeSearchBrowserView"));
}

// The view belongs to whichever window it was placed in; delete it only if it was never placed.
FakeSearchBrowser::~FakeSearchBrowser()
{
    if (m_view && !m_view->parent())
        delete m_view.data();
}

QWidget *FakeSearchBrowser::view()
{
    return m_view;
}

void FakeSearchBrowser::Navigate(const QString &url)
{
    navigations.append(url);
    m_pending = true;
    m_busy = true;
    Q_EMIT DownloadBegin();
}

void FakeSearchBrowser::Stop()
{
    m_pending = false;
    m_busy = false;
}

bool FakeSearchBrowser::Busy() const
{
    return m_busy;
}

void FakeSearchBrowser::setSilent(bool silent)
{
    m_silent = silent;
}

bool FakeSearchBrowser::Silent() const
{
    return m_silent;
}

void FakeSearchBrowser::Write(const QString &html)
{
    if (m_writeReplaces)
        written.clear();
    written += html;
    m_writeReplaces = false;
}

std::optional<QString> FakeSearchBrowser::bodyHtml() const
{
    return m_body;
}

void FakeSearchBrowser::finish(const QString &body, bool stillBusy)
{
    if (!m_pending)
        return;
    m_pending = stillBusy;
    m_busy = stillBusy;
    m_failed = false;
    m_body = body;
    written = body;
    m_writeReplaces = true;
    Q_EMIT DownloadComplete();
}

void FakeSearchBrowser::fail()
{
    if (!m_pending)
        return;
    m_pending = false;
    m_busy = false;
    m_failed = true;
    m_body = QStringLiteral("<DIV id=main-frame-error><H1>This site can’t be reached</H1></DIV>");
    written = *m_body;
    m_writeReplaces = true;
    Q_EMIT DownloadComplete();
}

} // namespace quarnex
