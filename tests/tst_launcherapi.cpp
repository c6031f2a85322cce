// The launcher's control API and web site as scripts and pages reach them, without sockets: the
// dispatcher refuses bad input before it changes anything, and carries out good input exactly.
// Also the host profile loader, which must refuse a malformed file and say what is wrong.

#include "controlapi.h"
#include "hostcalllog.h"
#include "hostevents.h"
#include "ivornik.h"
#include "kevent.h"
#include "language.h"
#include "launcherprofile.h"
#include "launchersite.h"
#include "standinhost.h"
#include "standinsetting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "testmain.h"

namespace {

// Stands in for the plug-in: notes every IVornik call and every event posted to it.
class FakeVornik : public QObject, public IVornik
{
public:
    QStringList calls;
    QStringList events;
    ModedGameList games{{QStringLiteral("1"), QStringLiteral("com.test.alpha"), QStringLiteral("Alpha"),
                         QStringLiteral("https://downloads.test/alpha.apk")}};

    bool event(QEvent* event) override
    {
        if (auto* change = dynamic_cast<CountryCodeChangeEvent*>(event))
            events.append(QStringLiteral("country:") + change->countryCode);
        else if (event->type() >= QEvent::User)
            events.append(QString::number(event->type()));
        return QObject::event(event);
    }

    void createView(int, const QString&, QWidget*) override { calls << QStringLiteral("createView"); }
    void startDomainTest(int type) override { calls << QStringLiteral("startDomainTest(%1)").arg(type); }
    void sendToPage(int mask, const QString& event, const QJsonObject& data) override
    {
        calls << QStringLiteral("sendToPage(%1,%2,%3)")
                     .arg(mask)
                     .arg(event, QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact)));
    }
    void realSearch(const QString& query, const QVariant& context) override
    {
        calls << QStringLiteral("realSearch(%1,%2)").arg(query, context.toString());
    }
    void gotoSearch(const QString& query) override { calls << QStringLiteral("gotoSearch(%1)").arg(query); }
    void languageChanged(const QString& code) override { calls << QStringLiteral("languageChanged(%1)").arg(code); }
    void setViewsVisible(bool visible) override { calls << QStringLiteral("setViewsVisible(%1)").arg(visible); }
    void modedGameListDocument(const QJsonObject&) override { calls << QStringLiteral("modedGameListDocument"); }
    bool routeToPage(int type, bool force) override
    {
        calls << QStringLiteral("routeToPage(%1,%2)").arg(type).arg(force);
        return type == 8;
    }
    void pushInstalledApps() override { calls << QStringLiteral("pushInstalledApps()"); }
    const QString& emptyText() override
    {
        static const QString empty;
        calls << QStringLiteral("emptyText()");
        return empty;
    }
    void updateOneButtonConfig(int value) override
    {
        calls << QStringLiteral("updateOneButtonConfig(%1)").arg(value);
    }
    void switchToGame(const QString& package, const QString& modId, int from) override
    {
        calls << QStringLiteral("switchToGame(%1,%2,%3)").arg(package, modId).arg(from);
    }
    void setupMod(const QString& package, const QString& modId, const QString& modName) override
    {
        calls << QStringLiteral("setupMod(%1,%2,%3)").arg(package, modId, modName);
    }
    ModedGameList* modedGameList() override
    {
        calls << QStringLiteral("modedGameList()");
        return &games;
    }
    QString apkUrl(const QString& package, bool wait) override
    {
        calls << QStringLiteral("apkUrl(%1,%2)").arg(package).arg(wait);
        return QStringLiteral("https://downloads.test/") + package;
    }
    void addModedGameListListener(QObject*) override { calls << QStringLiteral("addModedGameListListener"); }
    bool isAvailable() override
    {
        calls << QStringLiteral("isAvailable()");
        return false;
    }
};

HttpRequest request(const QByteArray& method, const QString& path, const QByteArray& body = QByteArray())
{
    HttpRequest request;
    request.method = method;
    request.path = path;
    request.body = body;
    request.host = "127.0.0.1:8765";
    return request;
}

QJsonValue parsed(const HttpResponse& response)
{
    // Wrapped, so a bare value parses as well as an object or array.
    const QJsonDocument document = QJsonDocument::fromJson("[" + response.body + "]");
    return document.array().at(0);
}

} // namespace

class LauncherApiTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void refusesBadInputAndChangesNothing_data();
    void refusesBadInputAndChangesNothing();
    void callsOperations_data();
    void callsOperations();
    void eventsReachTheHost();
    void quitIsAnsweredFirst();
    void siteAnswersOnlyItsOwnCallers_data();
    void siteAnswersOnlyItsOwnCallers();
    void siteServesTheProfileGamesAsWritten();

    void refusesMalformedProfile_data();
    void refusesMalformedProfile();
    void loadsProfileWithServiceDefaults();

private:
    std::unique_ptr<HostCallLog> m_log;
    std::unique_ptr<StandInHost> m_host;
    std::unique_ptr<FakeVornik> m_vornik;
    std::unique_ptr<HostEvents> m_events;
    std::unique_ptr<ControlApi> m_api;
    int m_quits = 0;
};

void LauncherApiTest::init()
{
    HostProfile profile;
    profile.language = QStringLiteral("en");
    profile.countryCode = QStringLiteral("US");
    profile.oneButtonConfig = 1;
    profile.account.loggedIn = true;
    profile.account.email = QStringLiteral("before@example.com");
    profile.modedGames = QJsonArray{QJsonObject{{QStringLiteral("id"), 7}, {QStringLiteral("packageName"), true}}};
    m_log = std::make_unique<HostCallLog>();
    m_host = std::make_unique<StandInHost>(profile, m_log.get());
    m_host->applyProfile();
    m_vornik = std::make_unique<FakeVornik>();
    m_host->setting()->addSettingListener(m_vornik.get());
    m_events = std::make_unique<HostEvents>(m_host.get(), m_vornik.get());
    m_quits = 0;
    ControlApi::Hooks hooks;
    hooks.quit = [this] { ++m_quits; };
    m_api = std::make_unique<ControlApi>(m_events.get(), m_vornik.get(), m_log.get(), hooks);
    m_log->clear();
}

void LauncherApiTest::cleanup()
{
    m_api.reset();
    m_events.reset();
    m_host.reset();
    m_vornik.reset();
    m_log.reset();
}

void LauncherApiTest::refusesBadInputAndChangesNothing_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown operation") << QByteArray("POST") << "/control/vornik/launchRocket" << QByteArray("[]")
                                       << 400 << "unknown operation \"launchRocket\"";
    QTest::newRow("operation taking a widget")
        << QByteArray("POST") << "/control/vornik/createView" << QByteArray("[8, \"http://x/\", null]") << 400
        << "called by the launcher itself";
    QTest::newRow("too few arguments") << QByteArray("POST") << "/control/vornik/switchToGame"
                                       << QByteArray("[\"com.test.alpha\", \"mod-1\"]") << 400
                                       << "takes 3 argument(s), not 2";
    QTest::newRow("text for an integer") << QByteArray("POST") << "/control/vornik/switchToGame"
                                         << QByteArray("[\"com.test.alpha\", \"mod-1\", \"3\"]") << 400
                                         << "argument 3 must be of type integer";
    QTest::newRow("fraction for an integer") << QByteArray("POST") << "/control/vornik/routeToPage"
                                             << QByteArray("[8.5, true]") << 400
                                             << "argument 1 must be of type integer";
    QTest::newRow("integer beyond int") << QByteArray("POST") << "/control/vornik/updateOneButtonConfig"
                                        << QByteArray("[4294967296]") << 400 << "argument 1 must be of type integer";
    QTest::newRow("number for a boolean") << QByteArray("POST") << "/control/vornik/setViewsVisible"
                                          << QByteArray("[1]") << 400 << "argument 1 must be of type boolean";
    QTest::newRow("array for an object") << QByteArray("POST") << "/control/vornik/sendToPage"
                                         << QByteArray("[8, \"hello\", []]") << 400
                                         << "argument 3 must be of type object";
    QTest::newRow("object for the argument list") << QByteArray("POST") << "/control/vornik/gotoSearch"
                                                  << QByteArray("{\"query\": \"racer\"}") << 400
                                                  << "must be a JSON array of arguments";
    QTest::newRow("malformed arguments") << QByteArray("POST") << "/control/vornik/gotoSearch"
                                         << QByteArray("[\"racer\",") << 400 << "not valid JSON";
    QTest::newRow("operation by GET") << QByteArray("GET") << "/control/vornik/isAvailable" << QByteArray() << 405
                                      << "takes POST";
    QTest::newRow("malformed event") << QByteArray("POST") << "/control/event/language" << QByteArray("{code: de}")
                                     << 400 << "not valid JSON";
    QTest::newRow("event without body") << QByteArray("POST") << "/control/event/country" << QByteArray() << 400
                                        << "must be JSON and is empty";
    QTest::newRow("event body an array") << QByteArray("POST") << "/control/event/language"
                                         << QByteArray("[\"de\"]") << 400 << "must be a JSON object";
    QTest::newRow("unknown event") << QByteArray("POST") << "/control/event/weather" << QByteArray("{}") << 400
                                   << "unknown host event \"weather\"";
    QTest::newRow("language without code") << QByteArray("POST") << "/control/event/language" << QByteArray("{}")
                                           << 400 << "\"code\" is missing";
    QTest::newRow("empty language code") << QByteArray("POST") << "/control/event/language"
                                         << QByteArray("{\"code\": \"\"}") << 400 << "must not be empty";
    QTest::newRow("language code a number") << QByteArray("POST") << "/control/event/language"
                                            << QByteArray("{\"code\": 7}") << 400 << "\"code\" must be a string";
    QTest::newRow("misspelt account key") << QByteArray("POST") << "/control/event/account"
                                          << QByteArray("{\"loggedIn\": true, \"mail\": \"x@example.com\"}") << 400
                                          << "unknown key \"mail\"";
    QTest::newRow("account flag as text") << QByteArray("POST") << "/control/event/account"
                                          << QByteArray("{\"loggedIn\": \"yes\"}") << 400
                                          << "\"loggedIn\" must be a boolean";
    QTest::newRow("country code a number") << QByteArray("POST") << "/control/event/country"
                                           << QByteArray("{\"code\": 49}") << 400 << "\"code\" must be a string";
    QTest::newRow("strategy as text") << QByteArray("POST") << "/control/event/strategy"
                                      << QByteArray("{\"oneButtonConfig\": \"2\"}") << 400
                                      << "\"oneButtonConfig\" must be an integer";
    QTest::newRow("strategy missing") << QByteArray("POST") << "/control/event/strategy" << QByteArray("{}") << 400
                                      << "\"oneButtonConfig\" is missing";
    QTest::newRow("quit by GET") << QByteArray("GET") << "/control/quit" << QByteArray() << 405 << "takes POST";
    QTest::newRow("log by POST") << QByteArray("POST") << "/control/log" << QByteArray("[]") << 405 << "takes GET";
}

void LauncherApiTest::refusesBadInputAndChangesNothing()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, error);

    const HttpResponse response = m_api->handle(request(method, path, body));
    QCoreApplication::sendPostedEvents();

    QCOMPARE(response.status, status);
    QCOMPARE(response.contentType, QByteArray("application/json"));
    const QString message = parsed(response).toObject().value(QStringLiteral("error")).toString();
    QVERIFY2(message.contains(error), qPrintable(message));

    QCOMPARE(m_vornik->calls, QStringList());
    QCOMPARE(m_vornik->events, QStringList());
    QCOMPARE(m_log->entries(), QJsonArray());
    QCOMPARE(Language::instance()->getCurrentLD().languageCode, QStringLiteral("en"));
    QCOMPARE(m_host->profile().countryCode, QStringLiteral("US"));
    QCOMPARE(m_host->profile().oneButtonConfig, 1);
    QCOMPARE(m_host->profile().account.email, QStringLiteral("before@example.com"));
    QCOMPARE(m_quits, 0);
}

void LauncherApiTest::callsOperations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("from travels as a number") << "switchToGame" << QByteArray("[\"com.test.alpha\", \"mod-9\", 3]")
                                              << "switchToGame(com.test.alpha,mod-9,3)"
                                              << QByteArray("{\"result\":null}");
    QTest::newRow("integral double is an integer") << "routeToPage" << QByteArray("[8.0, false]")
                                                   << "routeToPage(8,0)" << QByteArray("{\"result\":true}");
    QTest::newRow("no body, no arguments") << "isAvailable" << QByteArray() << "isAvailable()"
                                           << QByteArray("{\"result\":false}");
    QTest::newRow("pushed data passes whole") << "sendToPage" << QByteArray("[8, \"hello\", {\"n\": [1, 2]}]")
                                              << "sendToPage(8,hello,{\"n\":[1,2]})"
                                              << QByteArray("{\"result\":null}");
    QTest::newRow("any JSON as search context") << "realSearch" << QByteArray("[\"rac\", \"ctx-1\"]")
                                                << "realSearch(rac,ctx-1)" << QByteArray("{\"result\":null}");
    QTest::newRow("string answer") << "apkUrl" << QByteArray("[\"com.test.alpha\", true]")
                                   << "apkUrl(com.test.alpha,1)"
                                   << QByteArray("{\"result\":\"https://downloads.test/com.test.alpha\"}");
    QTest::newRow("moded game list as records") << "modedGameList" << QByteArray("[]") << "modedGameList()"
                                                << QByteArray("{\"result\":[{\"apkUrl\":\"https://downloads.test/"
                                                              "alpha.apk\",\"id\":\"1\",\"name\":\"Alpha\","
                                                              "\"packageName\":\"com.test.alpha\"}]}");
}

void LauncherApiTest::callsOperations()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, body);
    QFETCH(QString, call);
    QFETCH(QByteArray, answer);

    const HttpResponse response = m_api->handle(request("POST", "/control/vornik/" + operation, body));

    QCOMPARE(response.status, 200);
    QCOMPARE(response.body, answer);
    QCOMPARE(m_vornik->calls, QStringList{call});
}

void LauncherApiTest::eventsReachTheHost()
{
    QCOMPARE(m_api->handle(request("POST", "/control/event/language", "{\"code\": \"de\"}")).status, 200);
    QCOMPARE(m_api->handle(request("POST", "/control/event/country", "{\"code\": \"\"}")).status, 200);
    QCOMPARE(m_api->handle(request("POST", "/control/event/strategy", "{\"oneButtonConfig\": 2}")).status, 200);
    QCOMPARE(m_api->handle(request("POST", "/control/event/account",
                                   "{\"loggedIn\": false, \"email\": \"after@example.com\"}"))
                 .status,
             200);
    QCoreApplication::sendPostedEvents();

    QCOMPARE(Language::instance()->getCurrentLD().languageCode, QStringLiteral("de"));
    // The country event carries the empty code as it is; then the play-strategy event.
    QCOMPARE(m_vornik->events,
             (QStringList{QStringLiteral("country:"), QString::number(KEvent::PlayGameStrategyChange)}));
    QCOMPARE(m_host->profile().oneButtonConfig, 2);
    QCOMPARE(m_host->profile().account.email, QStringLiteral("after@example.com"));
    QCOMPARE(m_host->profile().account.loggedIn, false);
    QCOMPARE(m_vornik->calls, QStringList());
    // Back to the language the other cases expect.
    Language::instance()->setCurrentLanguage(QStringLiteral("en"));
}

void LauncherApiTest::quitIsAnsweredFirst()
{
    const HttpResponse response = m_api->handle(request("POST", "/control/quit", ""));
    QCOMPARE(response.status, 200);
    QCOMPARE(response.body, QByteArray("{\"result\":true}"));
    QCOMPARE(m_quits, 1);
}

void LauncherApiTest::siteAnswersOnlyItsOwnCallers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("origin");
    QTest::addColumn<int>("status");

    QTest::newRow("script") << "/control/log" << QByteArray("127.0.0.1:8765") << QByteArray() << 200;
    QTest::newRow("own page") << "/control/log" << QByteArray("127.0.0.1:8765") << QByteArray("http://127.0.0.1:8765")
                              << 200;
    QTest::newRow("own page by name") << "/control/log" << QByteArray("localhost:8765")
                                      << QByteArray("http://localhost:8765") << 200;
    QTest::newRow("page elsewhere") << "/control/log" << QByteArray("127.0.0.1:8765")
                                    << QByteArray("http://games.example.com") << 403;
    QTest::newRow("page on another local port") << "/control/log" << QByteArray("127.0.0.1:8765")
                                                << QByteArray("http://127.0.0.1:9000") << 403;
    QTest::newRow("rebound host name") << "/api/game/list" << QByteArray("games.example.com:8765") << QByteArray()
                                       << 421;
    QTest::newRow("other port in Host") << "/" << QByteArray("127.0.0.1:80") << QByteArray() << 421;
    QTest::newRow("no Host") << "/" << QByteArray() << QByteArray() << 421;
    QTest::newRow("path out of the folder") << "/../CMakeLists.txt" << QByteArray("127.0.0.1:8765") << QByteArray()
                                            << 404;
    QTest::newRow("file in a subfolder") << "/image/lo.svg" << QByteArray("127.0.0.1:8765") << QByteArray() << 404;
}

void LauncherApiTest::siteAnswersOnlyItsOwnCallers()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, origin);
    QFETCH(int, status);

    QTemporaryDir www;
    QVERIFY(www.isValid());
    LauncherSite site(www.path(), &m_host->profile(), m_log.get(), m_api.get());
    site.setPort(8765);
    HttpRequest get = request("GET", path);
    get.host = host;
    get.origin = origin;

    QCOMPARE(site.handle(get).status, status);
}

void LauncherApiTest::siteServesTheProfileGamesAsWritten()
{
    QTemporaryDir www;
    LauncherSite site(www.path(), &m_host->profile(), m_log.get(), m_api.get());
    site.setPort(8765);
    HttpRequest get = request("GET", "/api/game/list");
    get.query.insert(QStringLiteral("country"), QStringLiteral("DE"));

    const HttpResponse response = site.handle(get);

    QCOMPARE(response.status, 200);
    QCOMPARE(response.body, QByteArray("{\"data\":[{\"id\":7,\"packageName\":true}]}"));
    QCOMPARE(m_log->lastArgs(QStringLiteral("WebService"), QStringLiteral("gameList")),
             (QJsonArray{QJsonObject{{QStringLiteral("country"), QStringLiteral("DE")}}}));
}

void LauncherApiTest::refusesMalformedProfile_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("problem");

    QTest::newRow("not JSON") << QByteArray("{\"language\": \"en\",") << "not valid JSON";
    QTest::newRow("not an object") << QByteArray("[\"en\"]") << "the profile must be a JSON object";
    QTest::newRow("wrong type") << QByteArray("{\"language\": 5}") << "\"language\" must be a string";
    QTest::newRow("nested wrong type") << QByteArray("{\"instances\": [{\"id\": \"0\", \"apps\": \"com.test.alpha\"}]}")
                                       << "\"instances[0].apps\" must be an array of strings";
    QTest::newRow("configuration key not a number") << QByteArray("{\"appConfig\": {\"web\": \"x\"}}")
                                                    << "\"appConfig\" key \"web\" is not a configuration number";
    QTest::newRow("feature switch as text") << QByteArray("{\"appConfig\": {\"26\": \"yes\"}}")
                                            << "\"appConfig.26\" must be a boolean";
    QTest::newRow("unreadable installation id") << QByteArray("{\"clientUuid\": \"not-a-uuid\"}")
                                                << "\"clientUuid\" must be a UUID text";
    QTest::newRow("misspelt key") << QByteArray("{\"langauge\": \"de\"}") << "unknown key \"langauge\"";
}

void LauncherApiTest::refusesMalformedProfile()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, problem);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("profile.json"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(json);
    out.close();
    HostProfile profile;
    profile.language = QStringLiteral("untouched");
    QString error;

    QVERIFY(!loadProfileFile(file, &profile, &error));

    QVERIFY2(error.contains(problem), qPrintable(error));
    QVERIFY2(error.contains(file), qPrintable(error));
    QCOMPARE(profile.language, QStringLiteral("untouched"));
}

void LauncherApiTest::loadsProfileWithServiceDefaults()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("profile.json"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(R"({"language": "de", "appConfig": {"25": "http://games.test/"},
                  "modedGames": [{"id": 1, "packageName": "com.test.alpha", "name": null}]})");
    out.close();
    HostProfile profile;
    QString error;

    QVERIFY2(loadProfileFile(file, &profile, &error), qPrintable(error));
    useServiceAddressByDefault(&profile, QStringLiteral("http://127.0.0.1:8765/"));

    QCOMPARE(profile.language, QStringLiteral("de"));
    QCOMPARE(profile.appConfig.value(AppConfigWebTestUrl).toString(), QStringLiteral("http://127.0.0.1:8765/"));
    QCOMPARE(profile.appConfig.value(AppConfigWebServiceHost).toString(), QStringLiteral("http://games.test/"));
    QCOMPARE(QJsonDocument(profile.modedGames).toJson(QJsonDocument::Compact),
             QByteArray(R"([{"id":1,"name":null,"packageName":"com.test.alpha"}])"));

    QVERIFY(!loadProfileFile(dir.filePath(QStringLiteral("missing.json")), &profile, &error));
    QVERIFY2(error.contains(QStringLiteral("cannot read the profile")), qPrintable(error));
}

VORNIK_TEST_MAIN(LauncherApiTest)
#include "tst_launcherapi.moc"
