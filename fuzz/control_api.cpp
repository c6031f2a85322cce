// The launcher's control API as a script reaches it, in-process: the first byte chooses the route
// ('a' to 'y', in the order of kRoutes), the rest is the request body (for the log, the "since"
// of its query). Behind it are the real
// plug-in and the stand-in host, as in the launcher; the host's HTTP service is left out, so a
// country change asks no real server for the game list.

#include "launcher/service/controlapi.h"
#include "fuzzsupport.h"
#include "hostcalllog.h"
#include "launcher/host/hostevents.h"
#include "hosthttpservice.h"
#include "hostrecordjson.h"
#include "ivornik.h"
#include "language.h"
#include "launcher/service/launchersite.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {

struct Route
{
    const char* method;
    const char* path;
};

const Route kRoutes[] = {
    {"POST", "/control/event/language"},
    {"POST", "/control/event/account"},
    {"POST", "/control/event/country"},
    {"POST", "/control/event/strategy"},
    {"POST", "/control/vornik/startDomainTest"},
    {"POST", "/control/vornik/sendToPage"},
    {"POST", "/control/vornik/realSearch"},
    {"POST", "/control/vornik/gotoSearch"},
    {"POST", "/control/vornik/languageChanged"},
    {"POST", "/control/vornik/setViewsVisible"},
    {"POST", "/control/vornik/modedGameListDocument"},
    {"POST", "/control/vornik/routeToPage"},
    {"POST", "/control/vornik/pushInstalledApps"},
    {"POST", "/control/vornik/emptyText"},
    {"POST", "/control/vornik/updateOneButtonConfig"},
    {"POST", "/control/vornik/switchToGame"},
    {"POST", "/control/vornik/setupMod"},
    {"POST", "/control/vornik/modedGameList"},
    {"POST", "/control/vornik/apkUrl"},
    {"POST", "/control/vornik/isAvailable"},
    {"POST", "/control/vornik/createView"},
    {"POST", "/control/vornik/addModedGameListListener"},
    {"GET", "/control/log"},
    {"GET", "/control/page"},
    {"POST", "/control/quit"},
};
constexpr int kRouteCount = sizeof(kRoutes) / sizeof(kRoutes[0]);
constexpr int kPort = 8765;

// What the launcher puts around its web service, for the whole run.
struct Launcher
{
    explicit Launcher(PluginHarness& harness)
        : events(harness.host(), harness.object())
        , api(&events, harness.vornik(), harness.log(),
              {[this] { ++quits; }, [] { return QJsonObject{{QStringLiteral("loaded"), false}}; }})
        , site(QCoreApplication::applicationDirPath() + QStringLiteral("/www"), &harness.host()->profile(),
               harness.log(), &api)
    {
        site.setPort(kPort);
    }
    int quits = 0;
    HostEvents events;
    ControlApi api;
    LauncherSite site;
};

Launcher* g_launcher = nullptr;

// Everything a request may change in the host.
QJsonObject hostState(PluginHarness& harness)
{
    const HostProfile& profile = harness.host()->profile();
    return QJsonObject{
        {QStringLiteral("language"), Language::instance()->getCurrentLD().languageCode},
        {QStringLiteral("profileLanguage"), profile.language},
        {QStringLiteral("countryCode"), profile.countryCode},
        {QStringLiteral("oneButtonConfig"), profile.oneButtonConfig},
        {QStringLiteral("account"), HostRecordJson::toJson(profile.account)},
        {QStringLiteral("quits"), g_launcher->quits},
        {QStringLiteral("calls"), harness.log()->entries()},
    };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    Fuzz::startApplication((*argv)[0]);
    PluginHarness& harness = Fuzz::harness({HostHttpService::uuid()});
    g_launcher = new Launcher(harness);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const Route& route = kRoutes[static_cast<unsigned char>(data[0] - 'a') % kRouteCount];
    HttpRequest request;
    request.method = route.method;
    request.path = QLatin1String(route.path);
    request.host = "127.0.0.1:" + QByteArray::number(kPort);
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, static_cast<int>(size - 1));
    request.body = input;
    // The log is read with a query, not a body: what would be the body is the entry seen last.
    if (request.path == QLatin1String("/control/log") && !request.body.isEmpty()) {
        request.query.insert(QStringLiteral("since"), QString::fromUtf8(request.body));
        request.body.clear();
    }

    PluginHarness& harness = Fuzz::harness();
    const QJsonObject before = hostState(harness);
    const HttpResponse response = g_launcher->site.handle(request);
    QCoreApplication::sendPostedEvents();

    // Answers are JSON objects: {"result": ...} or, for a malformed request, {"error": ...} with
    // nothing changed at all.
    const QByteArray body = response.content();
    QJsonParseError error;
    const QJsonObject answer = QJsonDocument::fromJson(body, &error).object();
    const QString detail = QStringLiteral("%1 %2 -> %3 %4")
                               .arg(QLatin1String(route.path), QString::fromUtf8(input))
                               .arg(response.status)
                               .arg(QString::fromUtf8(body));
    if (error.error != QJsonParseError::NoError || !response.contentType.startsWith("application/json"))
        Fuzz::fail("the answer is not JSON", detail + QStringLiteral(" as ") + QString::fromLatin1(response.contentType));
    if (response.status == 400) {
        if (answer.value(QLatin1String("error")).toString().isEmpty())
            Fuzz::fail("a refusal without its reason", detail);
        if (hostState(harness) != before)
            Fuzz::fail("a refused request changed the host", detail);
    } else if (response.status != 200 || (!answer.contains(QLatin1String("result")) && route.method[0] == 'P')) {
        Fuzz::fail("an answer that is neither a result nor a refusal", detail);
    }
    Fuzz::settle();
    return 0;
}
