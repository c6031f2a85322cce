#include "launcher/service/webservice.h"

#include <httplib.h>

#include <QMetaObject>

#include <chrono>
#include <future>

namespace {

// Long enough for a nested event loop on the GUI thread (an APK address lookup waits up to 30 s).
constexpr auto kGuiAnswerTimeout = std::chrono::seconds(45);
constexpr auto kClosingCheckInterval = std::chrono::milliseconds(50);
constexpr size_t kMaxBodyBytes = 1024 * 1024;

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<int>(text.size()));
}

HttpRequest toRequest(const httplib::Request& in)
{
    HttpRequest request;
    request.method = bytes(in.method);
    request.path = fromStd(in.path);
    for (const auto& param : in.params) {
        const QString key = fromStd(param.first);
        if (!request.query.contains(key))
            request.query.insert(key, fromStd(param.second));
    }
    request.body = bytes(in.body);
    request.contentType = bytes(in.get_header_value("Content-Type"));
    request.origin = bytes(in.get_header_value("Origin"));
    request.host = bytes(in.get_header_value("Host"));
    return request;
}

void fill(httplib::Response& out, const HttpResponse& response)
{
    out.status = response.status;
    // The workbench serves files that are being edited: the page must never see a stale one.
    out.set_header("Cache-Control", "no-store");
    // Made here, on the server's thread, when the handler left it to be made late.
    const QByteArray body = response.content();
    out.set_content(body.constData(), static_cast<size_t>(body.size()), response.contentType.constData());
}

HttpResponse unavailable(const char* why)
{
    return HttpResponse::error(503, QString::fromLatin1(why));
}

} // namespace

WebService::WebService(QObject* parent)
    : QObject(parent)
    , m_server(std::make_unique<httplib::Server>())
{
    m_server->set_payload_max_length(kMaxBodyBytes);
    // An idle connection holds a server thread until it times out, and stop() waits for it.
    m_server->set_keep_alive_timeout(1);
    const auto route = [this](const httplib::Request& in, httplib::Response& out) {
        fill(out, handOver(toRequest(in)));
    };
    m_server->Get(".*", route);
    m_server->Post(".*", route);
    m_server->Put(".*", route);
    m_server->Delete(".*", route);
    m_server->Patch(".*", route);
    // What the HTTP layer refuses before a request reaches the launcher gets a JSON error too.
    const httplib::Server::HandlerWithResponse refused = [](const httplib::Request&, httplib::Response& out) {
        if (!out.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        const QString hint = out.status == 400
            ? QStringLiteral("; a POST needs a body or Content-Length: 0 (curl: --json '[]' or -d '')")
            : QString();
        fill(out, HttpResponse::error(out.status, QStringLiteral("the request was refused (HTTP %1)%2")
                                                      .arg(out.status)
                                                      .arg(hint)));
        return httplib::Server::HandlerResponse::Handled;
    };
    m_server->set_error_handler(refused);
}

WebService::~WebService()
{
    stop();
}

bool WebService::bind(int port, QString* error)
{
    const bool bound = port == 0 ? (m_port = m_server->bind_to_any_port("127.0.0.1")) > 0
                                 : m_server->bind_to_port("127.0.0.1", port);
    if (!bound) {
        *error = port == 0 ? QStringLiteral("no free port on 127.0.0.1")
                           : QStringLiteral("cannot listen on 127.0.0.1:%1 (in use?)").arg(port);
        return false;
    }
    if (port != 0)
        m_port = port;
    return true;
}

int WebService::port() const
{
    return m_port;
}

QString WebService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

void WebService::start(Handler handler)
{
    m_handler = std::move(handler);
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
}

void WebService::stop()
{
    m_closing = true;
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

HttpResponse WebService::handOver(const HttpRequest& request)
{
    if (m_closing)
        return unavailable("the launcher is shutting down");
    auto promise = std::make_shared<std::promise<HttpResponse>>();
    std::future<HttpResponse> answer = promise->get_future();
    // The promise lives only in the queued call: dropped unrun (its receiver gone), it breaks and
    // the wait below ends at once.
    QMetaObject::invokeMethod(
        this,
        [this, promise = std::move(promise), request] {
            promise->set_value(m_closing ? unavailable("the launcher is shutting down") : m_handler(request));
        },
        Qt::QueuedConnection);

    // Never wait blindly: the GUI thread may itself be waiting for this server to stop.
    const auto deadline = std::chrono::steady_clock::now() + kGuiAnswerTimeout;
    while (answer.wait_for(kClosingCheckInterval) != std::future_status::ready) {
        if (m_closing)
            return unavailable("the launcher is shutting down");
        if (std::chrono::steady_clock::now() > deadline)
            return unavailable("the launcher did not answer in time");
    }
    try {
        return answer.get();
    } catch (const std::future_error&) {
        return unavailable("the launcher is shutting down");
    }
}
