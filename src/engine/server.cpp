// SPDX-License-Identifier: GPL-3.0-or-later
#include "server.h"

#include "request.h"

#include <QFutureWatcher>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <deque>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// How far one client may run ahead of its answers before its requests are left in the
// kernel: a few searches in flight, and a few pages it has not taken yet.
constexpr std::size_t maxAnswersQueued = 8;
constexpr qint64 maxUnsentBytes = 1024 * 1024;
// What the socket takes from the kernel at a time, so that little more than the head limit is
// ever read of a request that is refused.
constexpr qint64 socketReadBuffer = 4 * 1024;
// After its last answer a closing connection waits this long for the client to take it and
// close; nothing more is read meanwhile.
constexpr std::chrono::milliseconds lingering{2000};
// Descriptors kept free of connections: the library's shards, one set a search thread, and
// what Qt holds itself.
constexpr rlim_t reservedDescriptors = 64;
// After a failed accept Qt stops listening; the server listens again after this long.
constexpr std::chrono::milliseconds acceptBackOff{100};

qsizetype defaultMaxConnections()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 512;
    const qint64 descriptors = qint64(std::min<rlim_t>(limit.rlim_cur, 1 << 20));
    return qsizetype(std::clamp<qint64>(
        std::min(descriptors - qint64(reservedDescriptors), descriptors / 2), 1, 512));
}

// Takes connections from the kernel with the read buffer already small: Qt holds one before
// the server takes it, and it would otherwise read whatever that client sends meanwhile.
class Listener final : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setReadBufferSize(socketReadBuffer);
        if (!socket->setSocketDescriptor(descriptor)) {
            ::close(int(descriptor));
            delete socket;
            return;
        }
        addPendingConnection(socket);
    }
};

// One client's connection: requests are read from it one head at a time and answered in the
// order they came, whichever answer is ready first.
class Connection final : public QObject {
public:
    Connection(QTcpSocket *socket, std::shared_ptr<const EngineIndex> index, quint16 port,
               std::chrono::milliseconds timeout);

private:
    struct Answer {
        QByteArray bytes;
        bool ready = false;
    };

    void advance();
    bool readRequest();
    void queue(const RequestHead &head);
    void setAnswer(quint64 serial, QByteArray bytes);
    void writeReadyAnswers();
    void finish();

    QTcpSocket *m_socket;
    std::shared_ptr<const EngineIndex> m_index;
    quint16 m_port;
    std::chrono::milliseconds m_timeout;
    QByteArray m_received;        // what has been read of the requests not yet queued
    std::deque<Answer> m_answers; // the queued requests' answers, in the order asked
    quint64 m_firstSerial = 0;    // the serial number of m_answers.front()
    qsizetype m_searching = 0;    // answers being built on the thread pool
    bool m_lastRequest = false;   // a request asked to close, or was refused: read no more
    bool m_finished = false;      // the write side is shut; waiting for the client to go
    // Held by the connection only: a search still waiting for a thread when its client has
    // gone is not run, so closed connections do not keep the others waiting.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QTimer m_timer;
};

Connection::Connection(QTcpSocket *socket, std::shared_ptr<const EngineIndex> index, quint16 port,
                       std::chrono::milliseconds timeout)
    : QObject(socket), m_socket(socket), m_index(std::move(index)), m_port(port), m_timeout(timeout)
{
    m_socket->setReadBufferSize(socketReadBuffer);
    m_timer.setSingleShot(true);
    // A client that sends half a request, or nothing, or takes no answer, holds nothing.
    connect(&m_timer, &QTimer::timeout, m_socket, &QTcpSocket::abort);
    connect(m_socket, &QTcpSocket::disconnected, m_socket, &QObject::deleteLater);
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::advance);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (!m_finished)
            m_timer.start(m_timeout);
        advance();
    });
    m_timer.start(m_timeout);
    advance();
}

// Writes what answers are ready, in order, and reads requests while there is room for their
// answers; at the end of the last one, closes.
void Connection::advance()
{
    do
        writeReadyAnswers();
    while (readRequest());
    if (m_lastRequest && m_answers.empty() && m_socket->bytesToWrite() == 0)
        finish();
    else if (m_searching > 0)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start(m_timeout);
}

// Queues the next request when its head is there; false when there is none yet or no room.
bool Connection::readRequest()
{
    if (m_lastRequest || m_answers.size() >= maxAnswersQueued ||
        m_socket->bytesToWrite() > maxUnsentBytes)
        return false;
    if (m_received.size() < maxRequestHead)
        m_received += m_socket->read(maxRequestHead - m_received.size());
    const RequestHead head = readRequestHead(m_received);
    if (head.state == RequestHead::State::Incomplete)
        return false;
    m_received.remove(0, head.size);
    queue(head);
    m_timer.start(m_timeout);
    return true;
}

void Connection::queue(const RequestHead &head)
{
    const EngineRequest request = routeRequest(head, m_port);
    // After a refused request what follows cannot be trusted to start where it seems to.
    const bool close = !head.keepAlive || request.kind == EngineRequest::Kind::Refused;
    m_lastRequest = close;
    const quint64 serial = m_firstSerial + m_answers.size();
    m_answers.emplace_back();
    switch (request.kind) {
    case EngineRequest::Kind::Search: {
        // The watcher dies with the connection, so an answer for a closed one is dropped; the
        // task holds the index, so it may outlive the server.
        auto *watcher = new QFutureWatcher<std::optional<QString>>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, serial, close] {
            --m_searching;
            // A library that cannot be read is a failed search, which the run sends again, not
            // a page that found nothing.
            const std::optional<QString> page = watcher->result();
            setAnswer(serial, page ? htmlAnswer("200 OK", *page, close)
                                   : htmlAnswer("503 Service Unavailable",
                                                refusalPage("503 Service Unavailable",
                                                            u"检索库暂时无法读取，请稍后再试。"_s),
                                                close));
            watcher->deleteLater();
            advance();
        });
        ++m_searching;
        watcher->setFuture(QtConcurrent::run(
            [index = m_index, text = request.text, alive = std::weak_ptr<bool>(m_alive),
             base = u"http://127.0.0.1:"_s + QString::number(m_port)] {
                return alive.expired() ? std::optional<QString>(QString())
                                       : resultPage(*index, text, base);
            }));
        break;
    }
    case EngineRequest::Kind::Document:
        if (auto document = m_index->find(request.text))
            setAnswer(serial, htmlAnswer("200 OK", documentPage(*document), close));
        else
            setAnswer(serial, htmlAnswer("404 Not Found",
                                         refusalPage("404 Not Found", u"没有这个文档。"_s), close));
        break;
    case EngineRequest::Kind::Refused:
        setAnswer(serial,
                  htmlAnswer(request.status, refusalPage(request.status, request.reason), close));
        break;
    }
}

void Connection::setAnswer(quint64 serial, QByteArray bytes)
{
    Answer &answer = m_answers[std::size_t(serial - m_firstSerial)];
    answer.bytes = std::move(bytes);
    answer.ready = true;
}

void Connection::writeReadyAnswers()
{
    while (!m_answers.empty() && m_answers.front().ready) {
        m_socket->write(m_answers.front().bytes);
        m_answers.pop_front();
        ++m_firstSerial;
    }
}

// Shuts only the sending side, so the client reads the last answer to its end before it sees
// the close; closing outright with its bytes unread would reset the connection and could take
// the answer with it.
void Connection::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
    m_timer.start(std::min(m_timeout, lingering));
}

} // namespace

QByteArray htmlAnswer(const QByteArray &status, const QString &html, bool close)
{
    const QByteArray body = html.toUtf8();
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\n" +
           "Content-Length: " + QByteArray::number(body.size()) +
           "\r\nCache-Control: no-store\r\nConnection: " + (close ? "close" : "keep-alive") +
           "\r\n\r\n" + body;
}

EngineServer::EngineServer(EngineIndex index, QObject *parent)
    : QObject(parent), m_index(std::make_shared<const EngineIndex>(std::move(index))),
      m_listener(new Listener(this)), m_maxConnections(defaultMaxConnections())
{
    // Qt takes connections from the kernel ahead of us; one at a time keeps its share small.
    m_listener->setMaxPendingConnections(1);
    connect(m_listener, &QTcpServer::newConnection, this, &EngineServer::accept);
    connect(m_listener, &QTcpServer::acceptError, this, [this] {
        m_listener->pauseAccepting();
        QTimer::singleShot(acceptBackOff, this, [this] {
            if (m_connections < m_maxConnections)
                m_listener->resumeAccepting();
        });
    });
}

EngineServer::~EngineServer() = default;

quint16 EngineServer::start(quint16 port)
{
    m_port = m_listener->listen(QHostAddress::LocalHost, port) ? m_listener->serverPort() : 0;
    return m_port;
}

QString EngineServer::base() const
{
    return u"http://127.0.0.1:"_s + QString::number(m_port);
}

void EngineServer::accept()
{
    while (m_connections < m_maxConnections) {
        QTcpSocket *socket = m_listener->nextPendingConnection();
        if (!socket)
            return;
        // A client that left while it waited: its socket will never report the end that
        // ends a connection, and would keep its place for good.
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        connect(socket, &QObject::destroyed, this, &EngineServer::connectionEnded);
        new Connection(socket, m_index, m_port, m_timeout);
    }
    // The rest wait in the kernel's queue, not in descriptors of ours.
    m_listener->pauseAccepting();
}

void EngineServer::connectionEnded()
{
    if (--m_connections < m_maxConnections) {
        m_listener->resumeAccepting();
        accept();
    }
}

} // namespace quarnex
