// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/searchbrowser.h"

#include <QPointer>
#include <QStringList>

namespace quarnex {

// A search browser that loads nothing: it records what it is asked to do, and a test decides
// when and how each navigation ends.
class FakeSearchBrowser final : public SearchBrowser {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeSearchBrowser)

public:
    explicit FakeSearchBrowser(QObject *parent = nullptr);
    ~FakeSearchBrowser() override;

    QWidget *view() override;
    void Navigate(const QString &url) override;
    void Stop() override;
    bool Busy() const override;
    void setSilent(bool silent) override;
    bool Silent() const override;
    void Write(const QString &html) override;
    std::optional<QString> bodyHtml() const override;
    bool Failed() const override { return m_failed; }
    QString pageUrl() const override { return navigations.value(navigations.size() - 1); }
    QString pageTitle() const override { return title; }

    // Every address given to Navigate, in order, the replaced ones included.
    QStringList navigations;
    // What the page shows: the last finished body, or what Write put there.
    QString written;
    // The title of the pages that finish from now on.
    QString title;

    // Ends the pending navigation with this body and emits DownloadComplete (nothing when no
    // navigation is pending). With `stillBusy`, Busy() answers true during the event, as when a
    // newer navigation is under way.
    void finish(const QString &body, bool stillBusy = false);
    // Ends the pending navigation as failed, with an error page of the browser's own.
    void fail();
    bool pending() const { return m_pending; }

private:
    QPointer<QWidget> m_view;
    bool m_pending = false;
    bool m_busy = false;
    bool m_silent = false;
    bool m_failed = false;
    bool m_writeReplaces = true;
    std::optional<QString> m_body;
};

} // namespace quarnex
