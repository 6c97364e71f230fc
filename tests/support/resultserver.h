// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractHttpServer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

namespace quarnex {

// Writes a complete answer and closes the connection, for stand-in servers that keep nothing
// per connection.
void writeHtmlAnswer(QTcpSocket *socket, const QByteArray &status, const QString &html);

// A search endpoint on 127.0.0.1 that answers "GET /s?wd=TEXT" with a result page in the markup
// the result reader expects, so the real browser can be driven without the network.
//
// Every query gets, unless a test set a page of its own, some Chinese filler of 500+ CJK
// characters and three results, result N titled "标题 N", pointing to http://example.com/N and
// with the query in <em> in its abstract. Every search request is logged as its encoded target
// ("/s?wd=%E7%94%B2%23b") and as its decoded text ("甲#b").
//
// A delayed answer is written to the socket only if the browser has not closed it meanwhile.
class ResultServer final : public QAbstractHttpServer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultServer)

public:
    // Listens on a free loopback port; port() is 0 when that failed.
    explicit ResultServer(QObject *parent = nullptr);

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT"
    QString base() const;
    // The readable search address of a text: base() + "/s?wd=" + text, nothing encoded.
    QString searchAddress(const QString &text) const
    {
        return base() + QStringLiteral("/s?wd=") + text;
    }

    void setPage(const QString &query, const QString &html) { m_pages.insert(query, html); }
    // Holds the answer to this query back for so long, without blocking the event loop.
    void setDelay(const QString &query, int milliseconds) { m_delays.insert(query, milliseconds); }
    // Answers this query with "503 Service Unavailable" and a page of the server's own.
    void setUnavailable(const QString &query) { m_unavailable.insert(query); }

    QStringList rawTargets() const { return m_rawTargets; }

Q_SIGNALS:
    // A search request arrived (before any delay), with its decoded text.
    void searched(const QString &query);
    // A held-back answer fell due: sent when its connection was still open, else dropped.
    void delayedAnswerDue(const QString &query, bool sent);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    quint16 m_port = 0;
    QHash<QString, QString> m_pages;
    QHash<QString, int> m_delays;
    QSet<QString> m_unavailable;
    QStringList m_rawTargets;
};

} // namespace quarnex
