#pragma once

#include <QAbstractHttpServer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

namespace quarnex {

// A search endpoint on 127.0.0.1 that answers "GET /s?wd=TEXT" with a result page in the markup
// the result reader expects, so the real browser can be driven without the network.
//
// By default every query gets resultPage(query). A test can give a query its own page or a
// delay, and serve fixed pages at other paths. Every search request is logged as its encoded
// target ("/s?wd=%E7%94%B2%23b") and as its decoded text ("甲#b").
//
// Answers are written straight to the socket, which is watched: a browser that gives up on a
// delayed answer closes the connection, and the late answer must then go nowhere.
class ResultServer final : public QAbstractHttpServer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultServer)

public:
    // Listens on a free loopback port; port() is 0 when that failed.
    explicit ResultServer(QObject *parent = nullptr);
    ~ResultServer() override;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT"
    QString base() const;
    // The readable search address of a text: base() + "/s?wd=" + text, nothing encoded.
    QString searchAddress(const QString &text) const;

    void setPage(const QString &query, const QString &html);
    // Holds the answer to this query back for so long, without blocking the event loop.
    void setDelay(const QString &query, int milliseconds);
    // Serves html at a path other than /s, e.g. "/alert".
    void addPage(const QString &path, const QString &html);

    QStringList rawTargets() const { return m_rawTargets; }
    QStringList queries() const { return m_queries; }

    // Some Chinese filler of 500+ CJK characters, three results, and `highlight` in <em> in
    // each abstract. Result N is titled "标题 N" and points to http://example.com/N.
    static QString resultPage(const QString &highlight);
    // The same filler and results with no <em> anywhere.
    static QString plainPage();

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
    QHash<QString, QString> m_fixedPages;
    QStringList m_rawTargets;
    QStringList m_queries;
};

} // namespace quarnex
