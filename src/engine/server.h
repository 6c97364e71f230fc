// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine.h"

#include <QAbstractHttpServer>
#include <QHostAddress>

#include <memory>

class QTcpSocket;

namespace quarnex {

// Writes a complete HTTP/1.1 answer with a UTF-8 HTML body and closes the connection: every
// page is answered whole, so nothing is kept per connection.
void writeHtmlAnswer(QTcpSocket *socket, const QByteArray &status, const QString &html);

// Answers "GET /s?wd=TEXT" with a result page from the index and "GET /doc/NAME" with a
// document's text; anything else gets 400 or 404 with the reason. The index is only read after
// start-up, so result pages are built on the thread pool and written from the socket's thread.
class EngineServer final : public QAbstractHttpServer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EngineServer)

public:
    explicit EngineServer(EngineIndex index, QObject *parent = nullptr);

    // The port listened on on 127.0.0.1 (0: any free one), or 0 when that failed.
    quint16 start(quint16 port);
    // "http://127.0.0.1:PORT"
    QString base() const;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    std::shared_ptr<const EngineIndex> m_index;
    quint16 m_port = 0;
};

} // namespace quarnex
