// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine.h"

#include <QObject>

#include <algorithm>
#include <chrono>
#include <memory>

class QTcpServer;

namespace quarnex {

// The bytes of a complete HTTP/1.1 answer with a UTF-8 HTML body; with close, it says the
// connection ends after it.
QByteArray htmlAnswer(const QByteArray &status, const QString &html, bool close);

// Answers "GET /s?wd=TEXT" with a result page from the index and "GET /doc/NAME" with a
// document's text; anything else is refused with its status and reason. Requests on one
// connection are answered in the order they came, however many were sent at once; a
// connection stays open unless the client asks otherwise or a request is refused. Result pages
// are built on the thread pool and written from the socket's thread.
class EngineServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EngineServer)

public:
    explicit EngineServer(EngineIndex index, QObject *parent = nullptr);
    ~EngineServer() override;

    // The port listened on on 127.0.0.1 (0: any free one), or 0 when that failed.
    quint16 start(quint16 port);
    // "http://127.0.0.1:PORT"
    QString base() const;

    // How long a connection may wait for the client: for the rest of a request's head, for the
    // next request, or for the client to take an answer. Ten seconds unless set.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // How many connections are served at once; more wait in the kernel's queue until one
    // ends. Unless set, as many as the process's descriptors allow with room left for the
    // library's files, at most 512.
    void setMaxConnections(qsizetype connections)
    {
        m_maxConnections = std::max<qsizetype>(connections, 1);
    }

private:
    void accept();
    void connectionEnded();

    std::shared_ptr<const EngineIndex> m_index;
    QTcpServer *m_listener;
    quint16 m_port = 0;
    std::chrono::milliseconds m_timeout{10000};
    qsizetype m_maxConnections;
    qsizetype m_connections = 0;
};

} // namespace quarnex
