#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A web service on 127.0.0.1 for tests: answers each GET with the next queued reply (or the
// default one once the queue is empty) and remembers every request path and when it came.
// Lives on the thread that creates it; its event loop must run for it to answer.
class HttpStub : public QObject
{
    Q_OBJECT
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
    };
    struct Request
    {
        QString path;
        qint64 receivedMs = 0; // since the stub started
    };

    explicit HttpStub(QObject* parent = nullptr);

    // "http://127.0.0.1:<port>"; empty when it could not listen.
    QString baseUrl() const;

    void enqueue(int status, const QByteArray& body = QByteArray()) { m_queue.append(Reply{status, body}); }
    void setDefaultReply(int status, const QByteArray& body = QByteArray(), const QByteArray& contentType = "application/json")
    {
        m_default = Reply{status, body, contentType};
    }

    // Every answer waits this long after its request has come.
    void setDelayMs(int ms) { m_delayMs = ms; }

    QList<Request> requests() const { return m_requests; }
    QStringList paths() const;

private:
    void onReadyRead(QTcpSocket* socket);

    QTcpServer* m_server;
    QElapsedTimer m_clock;
    QList<Reply> m_queue;
    Reply m_default;
    int m_delayMs = 0;
    QList<Request> m_requests;
};
