#include "httpstub.h"

#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

HttpStub::HttpStub(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    m_clock.start();
    if (!m_server->listen(QHostAddress::LocalHost))
        qWarning("HttpStub cannot listen: %s", qPrintable(m_server->errorString()));
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString HttpStub::baseUrl() const
{
    return m_server->isListening() ? QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort()) : QString();
}

QStringList HttpStub::paths() const
{
    QStringList paths;
    for (const Request& request : m_requests)
        paths.append(request.path);
    return paths;
}

void HttpStub::onReadyRead(QTcpSocket* socket)
{
    // A GET has no body: the request is complete once its head is.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (!head.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);

    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    m_requests.append(Request{QString::fromLatin1(requestLine.value(1)), m_clock.elapsed()});

    const Reply reply = m_queue.isEmpty() ? m_default : m_queue.takeFirst();
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(reply.status) + " Stub\r\n"
                        "Content-Type: " + reply.contentType + "\r\n"
                        "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n"
                        // Every answer comes from the stub, never from a browser's cache.
                        "Cache-Control: no-store\r\n"
                        "Connection: close\r\n\r\n" + reply.body;
    // A slow server answers later; the socket may be gone by then, and the answer with it.
    QTimer::singleShot(m_delayMs, socket, [socket, answer] {
        socket->write(answer);
        socket->disconnectFromHost();
    });
}
