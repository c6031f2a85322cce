// The launcher's service room: the web service on 127.0.0.1 (the demo site, the moded list, the control API).
#pragma once

#include "launcher/service/httpexchange.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

// The launcher's HTTP transport: a server on 127.0.0.1 whose own threads accept and parse
// requests and hand each one to a handler on this object's (GUI) thread, waiting for its answer.
class WebService : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit WebService(QObject* parent = nullptr);
    // Stops first: no request is handled once destruction has begun.
    ~WebService() override;

    // Binds 127.0.0.1:port (0: any free port) and listens; connections wait until start().
    // False with *error when the port cannot be had.
    bool bind(int port, QString* error);
    int port() const;
    // "http://127.0.0.1:PORT/"
    QString baseUrl() const;

    // Starts answering; handler runs on this object's thread.
    void start(Handler handler);
    // Stops accepting, answers requests still waiting for the GUI thread with 503, and joins the
    // server's threads. Safe to call more than once. GUI thread only.
    void stop();

private:
    HttpResponse handOver(const HttpRequest& request);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    Handler m_handler;
    int m_port = 0;
    std::atomic<bool> m_closing{false};
};
