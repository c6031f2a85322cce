#include "launcher/service/launchersite.h"

#include "launcher/service/controlapi.h"
#include "hostcalllog.h"
#include "launcher/host/hostfaults.h"
#include "hostprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

QByteArray contentTypeOf(const QString& name)
{
    if (name.endsWith(QLatin1String(".html")))
        return "text/html; charset=utf-8";
    if (name.endsWith(QLatin1String(".js")))
        return "text/javascript; charset=utf-8";
    if (name.endsWith(QLatin1String(".css")))
        return "text/css; charset=utf-8";
    return "image/svg+xml";
}

HttpResponse readFile(const QString& path, const QByteArray& contentType)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return HttpResponse::error(404, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return HttpResponse::file(contentType, file.readAll());
}

} // namespace

LauncherSite::LauncherSite(const QString& wwwDir, const HostProfile* profile, HostCallLog* log, ControlApi* control)
    : m_wwwDir(wwwDir)
    , m_profile(profile)
    , m_log(log)
    , m_control(control)
{
}

void LauncherSite::setPort(int port)
{
    m_port = port;
}

void LauncherSite::setFaults(const HostFaults* faults)
{
    m_faults = faults;
}

HttpResponse LauncherSite::handle(const HttpRequest& request)
{
    // A page elsewhere that rebinds its own host name to 127.0.0.1 still sends that name.
    const QByteArray port = QByteArray::number(m_port);
    if (request.host != "127.0.0.1:" + port && request.host != "localhost:" + port)
        return HttpResponse::error(421, QStringLiteral("this service answers only to 127.0.0.1:%1").arg(m_port));

    if (ControlApi::handles(request.path)) {
        // Scripts send no Origin; browsers always do on a cross-site request.
        if (!request.origin.isEmpty() && request.origin != "http://" + request.host)
            return HttpResponse::error(403, QStringLiteral("the control API does not answer pages of %1")
                                                .arg(QString::fromUtf8(request.origin)));
        return m_control->handle(request);
    }

    if (request.method != "GET")
        return HttpResponse::error(405, QStringLiteral("%1 takes GET").arg(request.path));
    if (request.path == QLatin1String("/api/game/list"))
        return gameList(request);
    // Everything else is the page: its document, scripts and styles fail together.
    if (m_faults && m_faults->webHostUnreachable())
        return HttpResponse::error(503, QStringLiteral("the web host is unreachable (a host fault, on request)"));
    if (request.path == QLatin1String("/qwebchannel.js"))
        return readFile(QStringLiteral(":/qtwebchannel/qwebchannel.js"), contentTypeOf(request.path));
    if (request.path == QLatin1String("/"))
        return wwwFile(QStringLiteral("index.html"));
    return wwwFile(request.path.mid(1));
}

HttpResponse LauncherSite::gameList(const HttpRequest& request)
{
    QJsonObject query;
    for (auto it = request.query.cbegin(); it != request.query.cend(); ++it)
        query.insert(it.key(), it.value());
    // Recorded like a host call: whoever asks the service is part of what the host was asked.
    m_log->record(QStringLiteral("WebService"), QStringLiteral("gameList"), {query});
    // The request reached the server, which then failed: recorded all the same.
    if (m_faults && m_faults->modedListFailing())
        return HttpResponse::error(503, QStringLiteral("the moded game list is failing (a host fault, on request)"));
    // A list of a hundred thousand games is megabytes of JSON: made off the GUI thread, from a
    // copy of the list as it is now.
    return HttpResponse::jsonLater(200, [games = m_profile->modedGames] {
        return QJsonDocument(QJsonObject{{QStringLiteral("data"), games}}).toJson(QJsonDocument::Compact);
    });
}

HttpResponse LauncherSite::wwwFile(const QString& name)
{
    // Plain file names only: nothing outside the folder, nothing it does not mean to serve.
    static const QRegularExpression servable(QStringLiteral("^[A-Za-z0-9_-]+\\.(html|js|css|svg)$"));
    if (!servable.match(name).hasMatch())
        return HttpResponse::error(404, QStringLiteral("no such file: /%1").arg(name));
    return readFile(m_wwwDir + QLatin1Char('/') + name, contentTypeOf(name));
}
