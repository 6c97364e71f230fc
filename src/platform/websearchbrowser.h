// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/search.h"
#include "searchbrowser.h"

#include <QPointer>
#include <QUrl>


class QWebEngineLoadingInfo;
class QWebEngineView;

namespace quarnex {

class SearchPage;

// The search browser on Qt WebEngine.
//
// Qt reports loads, not navigations: a navigation replaced before it commits yields no end of
// its own, and loads started by setHtml end like any other. So a navigation is identified by a
// generation number, ends at the first finished load that is not left over from what was shown
// before it, and is reported only if no newer Navigate came before its body was read. Writes
// that arrive while a navigation is under way are held back until it has been read, because
// showing them would cancel it.
class WebSearchBrowser final : public SearchBrowser {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebSearchBrowser)

public:
    explicit WebSearchBrowser(QObject *parent = nullptr);
    ~WebSearchBrowser() override;

    QWidget *view() override;
    void Navigate(const QString &url) override;
    void Stop() override;
    bool Busy() const override { return m_state != State::Idle; }
    void setSilent(bool silent) override;
    bool Silent() const override;
    void Write(const QString &html) override;
    std::optional<QString> bodyHtml() const override { return m_body; }
    bool Failed() const override { return m_failed; }
    QString pageUrl() const override;
    QString pageTitle() const override;

    // How long reading a finished page may take before it is given up as unreadable; a page
    // that navigates itself away can swallow the read.
    static constexpr int bodyReadTimeoutMs = 15000;

private:
    enum class State { Idle, Loading, Reading };

    void loadingChanged(const QWebEngineLoadingInfo &info);
    void bodyRead(const QVariant &result);
    void showWritten();

    QPointer<QWebEngineView> m_view;
    QPointer<SearchPage> m_page;
    State m_state = State::Idle;
    quint64 m_generation = 0;
    QUrl m_target;
    QUrl m_previousTarget;
    std::optional<QString> m_body;
    QString m_written;
    bool m_writeReplaces = true;
    bool m_writeHeld = false;
    bool m_failed = false;
};

} // namespace quarnex
