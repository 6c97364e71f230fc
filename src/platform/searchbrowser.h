// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include <optional>

namespace quarnex {

// The search browser as the check handlers see it. A real one runs on Qt WebEngine; a
// scripted one stands in for it in tests.
//
// - Navigate(url) takes the readable address; the text after "wd=" (or after the first "=" of
//   the query) is sent percent-encoded in full as UTF-8.
// - DownloadComplete is emitted once for each navigation that ends, failed ones included; a
//   navigation replaced by a newer one is not reported. Write and display-only loads never
//   report. When it is emitted, the body of the page has already been read.
// - Stop() abandons the navigation under way like a replaced one: it is not reported.
// - Busy() is true from Navigate until that navigation has ended and its body has been read.
class SearchBrowser : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchBrowser)

public:
    using QObject::QObject;
    ~SearchBrowser() override = default;

    // The widget to place in the window.
    virtual QWidget *view() = 0;

    virtual void Navigate(const QString &url) = 0;
    virtual void Stop() = 0;
    virtual bool Busy() const = 0;
    virtual void setSilent(bool silent) = 0;
    virtual bool Silent() const = 0;
    // The first write after a navigation replaces what is shown; later ones append.
    virtual void Write(const QString &html) = 0;
    // The body's inner markup of the page last loaded, in the delimiter form (upper-case
    // element names, attribute values bare or quoted as the result reader expects); empty
    // when there is no document.
    virtual std::optional<QString> bodyHtml() const = 0;
    // Whether the navigation last ended failed (no connection, an HTTP error status) rather
    // than with the site's page; the browser's error page then stands.
    virtual bool Failed() const = 0;
    // The address and title of the page last loaded.
    virtual QString pageUrl() const = 0;
    virtual QString pageTitle() const = 0;

Q_SIGNALS:
    void DownloadBegin();
    void DownloadComplete();
};

} // namespace quarnex
