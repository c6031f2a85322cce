// The page's command table as the page drives it: what each command asks of the host (the game
// records it fills included), what the page gets back, the page router and the search context,
// the spinner, and the statistics and log lines the page hands over; and the host's own game
// operations, which tell the page before the host.

#include "ivornik.h"
#include "klauncher.h"
#include "logcapture.h"
#include "pagecommand.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinmainwindow.h"
#include "standinsimulatormgr.h"
#include "waitloading.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QWebEngineView>
#include <QtTest>

#include "testmain.h"

namespace {

// What of actual the expectation speaks about: objects keep only the expected keys, so a row names
// only the record fields it is about; arrays and plain values are taken whole.
QJsonValue projection(const QJsonValue& actual, const QJsonValue& expected)
{
    if (actual.isObject() && expected.isObject()) {
        const QJsonObject from = actual.toObject(), keys = expected.toObject();
        QJsonObject projected;
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            if (from.contains(it.key()))
                projected.insert(it.key(), projection(from.value(it.key()), it.value()));
        }
        return projected;
    }
    if (actual.isArray() && expected.isArray()) {
        const QJsonArray from = actual.toArray(), items = expected.toArray();
        QJsonArray projected;
        for (int i = 0; i < from.size(); ++i)
            projected.append(projection(from.at(i), items.at(i)));
        return projected;
    }
    return actual;
}

} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PluginHarness> m_harness;
    QWebEnginePage* m_page = nullptr;
    QList<QUrl> m_opened;

    QJsonArray send(const QString& commandText) { return roundTrip(m_page, commandText); }
    QStringList pushes() { return pushesUntilMarker(m_harness->vornik(), m_page); }

public slots:
    // Stands in for the system's URL handlers, so no test ever opens anything outside the process.
    void open(const QUrl& url) { m_opened.append(url); }

    // Each table is defined after the class: moc reads the class body, and raw strings holding "//"
    // or escaped quotes throw it off.
private slots:
    void initTestCase()
    {
        // One page for the whole suite: a page takes seconds to come up, and no test here reloads it.
        HostProfile profile = PluginHarness::testProfile();
        profile.language = "de";
        profile.hostMap = {{"zeta", "https://z.test"}, {"alpha", "https://a.test"}};
        profile.clientVersion = "5.21.0.1";
        profile.systemConfig = QJsonObject{{"gpu", "none"}, {"ram", 8}};
        profile.account.loggedIn = true;
        profile.account.email = "ada@mail.test";
        profile.account.userId = "u-42";
        profile.account.token = "t-7";
        profile.appConfig.insert(AppConfigXToken, "x-1");
        profile.appConfig.insert(AppConfigAccessToken, "a-1");
        profile.appConfig.insert(AppConfigRefreshToken, "r-1");
        profile.instances = {{"vm1", "Main", "nougat64", {"org.z", "com.android.vending"}},
                             {"vm2", "Second", "pie64", {"com.a", "B"}},
                             {"vm3", "Third", "pie64", {"com.a"}}};
        profile.hasPlayStore = true;
        profile.defaultEngines = {{"com.a", "vk;gl"}};
        profile.apkUrls.insert("com.a", "https://apk.example/com.a.apk");
        m_harness = std::make_unique<PluginHarness>(profile);
        QVERIFY(m_harness->bind());
        QVERIFY(m_harness->showPage());
        m_page = m_harness->page();
        // The router starts on the home page, so the host's first route to this page is taken.
        QCOMPARE(m_harness->vornik()->routeToPage(8, false), true);
    }

    void init()
    {
        m_harness->host()->mainWindow()->setCurrentPage(8);
        m_harness->host()->profile().hasPlayStore = true;
        m_harness->vornik()->routeToPage(1, true);
        pushes();
        m_harness->log()->clear();
    }

    void cleanupTestCase() { m_harness.reset(); }

    // Runs before any search has set a context for the results.
    void commandTable_data();
    void commandTable()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, received);
        QFETCH(QString, calls);

        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        // The reply last, by its data alone; compared as text, so 0 and "0" do not pass for each other.
        QStringList messages = eventsAndData(send(command));
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        if (!messages.isEmpty())
            messages.last() = messages.last().section(' ', 1);
        QCOMPARE(messages, received);

        QJsonArray actual;
        for (const QJsonValue& value : m_harness->log()->entries()) {
            const QJsonObject entry = value.toObject();
            const QString op = entry.value("iface").toString() + '.' + entry.value("op").toString();
            actual.append(QJsonArray{op, entry.value("args")});
            // Whatever the game object holds, the action is stamped with the time it was filled.
            const qint64 stamp = entry.value("args")[0]["requestTime"].toVariant().toLongLong();
            if (op == "IMyGame.performGameAction")
                QVERIFY2(stamp >= before && stamp <= after, qPrintable(QString::number(stamp)));
        }
        const QJsonArray expected = QJsonDocument::fromJson(calls.toUtf8()).array();
        QVERIFY2(!expected.isEmpty() || calls == "[]", "bad expectation in the test table");
        QCOMPARE(compactJson(projection(actual, expected)), compactJson(expected));
    }

    void slowApkAddressStopsNothingElse();

    void installedAppsPushedWithoutPlayStore()
    {
        // Installed in an instance, the Play Store is an app like any other; only its presence adds it again.
        m_harness->host()->profile().hasPlayStore = false;
        m_harness->vornik()->pushInstalledApps();
        QCOMPARE(pushes(), QStringList{R"(updateInstalledAppsNotification {"action":"all","apps":[{"package_name":"B"},)"
                                       R"({"package_name":"com.a"},{"package_name":"com.android.vending"},{"package_name":"org.z"}]})"});
    }

    void gameOperationsTellThePageFirst_data();
    void gameOperationsTellThePageFirst()
    {
        QFETCH(QStringList, pushed);
        // Whenever the host is asked to show a page, the page hears of it next, so the order of the
        // page message and the host call shows in what the page receives.
        IVornik* vornik = m_harness->vornik();
        const QMetaObject::Connection watch =
            connect(m_harness->log(), &HostCallLog::recorded, this, [vornik](const QJsonObject& entry) {
                if (entry.value("op") == "showPage")
                    vornik->sendToPage(8, "hostShowPage", QJsonObject{{"args", entry.value("args")}});
            });
        if (QByteArray(QTest::currentDataTag()) == "switchToGame")
            vornik->switchToGame("com.a", "m1", 3);
        else
            vornik->setupMod("com.a", "m1", "Turbo");
        disconnect(watch);
        QCOMPARE(pushes(), pushed << R"(hostShowPage {"args":[8]})");
    }

    void router_data();
    void router()
    {
        QFETCH(int, from);
        QFETCH(int, page);
        QFETCH(bool, force);
        QFETCH(bool, result);
        QFETCH(QStringList, pushed);

        IVornik* vornik = m_harness->vornik();
        vornik->routeToPage(from, true);
        pushes();
        QCOMPARE(vornik->routeToPage(page, force), result);
        // The route name goes to the home, cloud and game center pages, which this plug-in never has.
        QCOMPARE(pushes(), pushed);
        // The page routed to is now the current one: the same page again is refused without force,
        // and nothing is sent.
        QCOMPARE(vornik->routeToPage(page, false), false);
        QCOMPARE(pushes(), QStringList());
    }

    void searches_data();
    void searches()
    {
        QFETCH(int, frontPage);
        QFETCH(bool, real);
        QFETCH(QStringList, pushed);

        m_harness->host()->mainWindow()->setCurrentPage(frontPage);
        if (real)
            m_harness->vornik()->realSearch("chess", QVariant());
        else
            m_harness->vornik()->gotoSearch("chess");
        QCOMPARE(pushes(), pushed);
    }

    void searchContextGoesWithResults()
    {
        // The latest search's context, and it stays for every later batch of results.
        m_harness->vornik()->realSearch("chess", QString("first"));
        m_harness->vornik()->realSearch("go", 42);
        send(R"({"event":"pushRealSearchResult","data":[]})");
        send(R"({"event":"pushRealSearchResult","data":[]})");
        QCOMPARE(hostCalls(m_harness->log()), (QStringList{"IMainWindow.currentPage[]", "IMainWindow.currentPage[]",
                                                           "IMainWindow.pushRealSearchResults[[],42]",
                                                           "IMainWindow.pushRealSearchResults[[],42]"}));
    }

    void clientLoading_data();
    void clientLoading()
    {
        QFETCH(bool, suppressed);
        auto* view = m_harness->container()->findChild<QWebEngineView*>();
        auto* spinner = m_harness->container()->findChild<Waitloading*>();
        QVERIFY(view->isVisible() && !spinner->isSpinning());
        m_harness->host()->mainWindow()->setLoadingSpinnerSuppressed(suppressed);

        roundTrip(m_page, QJsonObject{{"event", "openClientLoading"}});
        QCOMPARE(spinner->isSpinning(), !suppressed);
        QVERIFY(!view->isVisible());
        roundTrip(m_page, QJsonObject{{"event", "closeClientLoading"}});
        QVERIFY(!spinner->isSpinning());
        QVERIFY(view->isVisible());
        QCOMPARE(hostCalls(m_harness->log()), QStringList{"IMainWindow.loadingSpinnerSuppressed[]"});
    }

    void serviceWorkerUpdateClearsWebCache()
    {
        KLauncher::instance()->setClearWebCache(false);
        LogCapture log;
        roundTrip(m_page, QJsonObject{{"event", "servierWorkerUpdateSuccess"}});
        QVERIFY(KLauncher::instance()->clearWebCache());
        QCOMPARE(log.lines("Web: "), QStringList{"Web: servierWorkerUpdateSuccess"});
    }

    void openShare_data();
    void openShare()
    {
        QFETCH(QString, url);
        QFETCH(QString, opened);

        // Every scheme of the table goes to open(), so a wrongly accepted address opens nothing real.
        m_opened.clear();
        const QStringList schemes{"https", "http", "file"};
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
        LogCapture log;
        send(QStringLiteral(R"({"event":"openShare","data":{"url":"%1"}})").arg(url));
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);

        QCOMPARE(m_opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
        QCOMPARE(log.lines("openShare: refused").size(), opened.isEmpty() ? 1 : 0);
    }

    void pageLogLines_data();
    void pageLogLines()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, lines);

        LogCapture log;
        QVERIFY(!send(command).isEmpty());
        QCOMPARE(log.lines(), lines);
    }
};

void CommandsTest::commandTable_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("received"); // what the page gets: pushes, then the reply's data
    QTest::addColumn<QString>("calls");        // [["Iface.op", args], ...]; objects name only the keys a row is about

    const QStringList empty{"{}"};
    QTest::newRow("callClientToLogin") << R"({"event":"callClientToLogin"})" << empty << R"([["IMainWindow.showLogin",[]]])";
    QTest::newRow("refreshAccessToken") << R"({"event":"refreshAccessToken","data":{"x":1}})" << empty
                                        << R"([["IAccount.refreshAccessToken",[]]])";
    QTest::newRow("search in the store") << R"({"event":"onSearchInGooglePlay","data":{"query":"chess"}})" << empty
                                         << R"([["IMainWindow.searchInGooglePlay",["chess"]]])";
    QTest::newRow("search in the store, no data") << R"({"event":"onSearchInGooglePlay"})" << empty
                                                  << R"([["IMainWindow.searchInGooglePlay",[""]]])";
    // A mod_id that is there at all counts, even null.
    QTest::newRow("back, mod_id null") << R"({"event":"VKGameBack","data":{"package":"com.a.game","mod_id":null}})"
                                       << empty << R"([["IMyGame.modGameBack",["com.a.game"]]])";
    QTest::newRow("back, no mod_id") << R"({"event":"VKGameBack","data":{"package":"com.a.game"}})" << empty << "[]";
    // currentPage is 1: the route to "home" goes to mask 7, which no page of this plug-in has.
    QTest::newRow("close boot animation") << R"({"event":"closeBootAnimation"})"
        << QStringList{R"(onPageviewShow {"preview":"hide"})", "{}"} << R"([["IMainWindow.finishBootAnimation",[true]]])";
    QTest::newRow("name in other case") << R"({"event":"CallClientToLogin"})" << empty << "[]";

    QTest::newRow("user token") << R"({"event":"getUserToken"})"
        << QStringList{R"({"accesstoken":"a-1","email":"ada@mail.test","refreshtoken":"r-1","token":"t-7",)"
                       R"("userid":"u-42","xtoken":"x-1"})"}
        << R"([["IAccount.accountInfo",[]]])";
    QTest::newRow("language: the current code twice") << R"({"event":"getLanguage"})"
        << QStringList{R"({"defaultLanguage":"de","language":"de"})"} << "[]";
    QTest::newRow("host map pairs") << R"({"event":"getHostConfig"})"
        << QStringList{R"({"alpha":"https://a.test","zeta":"https://z.test"})"} << "[]";
    QTest::newRow("client config with the null uuid") << R"({"event":"getClientConfig"})"
        << QStringList{R"({"systemConfig":{"gpu":"none","ram":8},"uuid":"00000000-0000-0000-0000-000000000000",)"
                       R"("x_version":"5.21.0.1"})"}
        << R"([["ISimulatorMgr.clientVersion",[]],["ISimulatorMgr.clientUuid",[]],["IStrategy.systemConfig",[]]])";
    QTest::newRow("one-button setting as a number") << R"({"event":"getUserConfig"})"
        << QStringList{R"({"one_button_config":0})"} << R"([["ISetting.oneButtonConfig",[]]])";

    const auto stats = [](const char* data) { return QStringLiteral(R"({"event":"postStats","data":%1})").arg(data); };
    QTest::newRow("stats: mod events") << stats(R"({"table":"VornikModEvents","data":{"mod":"m1","n":2}})") << empty
                                       << R"([["IBuriedpoint.reportModEvents",[{"mod":"m1","n":2}]]])";
    QTest::newRow("stats: effects triggered") << stats(R"({"table":"VornikEffectsTriggered","data":{}})") << empty
                                              << R"([["IBuriedpoint.reportEffectsTriggered",[{}]]])";
    QTest::newRow("stats: upload effects") << stats(R"({"table":"VornikUploadEffects","data":{}})") << empty
                                           << R"([["IBuriedpoint.reportUploadEffects",[{}]]])";
    QTest::newRow("stats: active users") << stats(R"({"table":"VornikActiveUsers","data":{}})") << empty
                                         << R"([["IBuriedpoint.reportActiveUsers",[{}]]])";
    QTest::newRow("stats: record an array") << stats(R"({"table":"VornikModEvents","data":[{"mod":"m1"}]})") << empty << "[]";
    QTest::newRow("stats: table in other case") << stats(R"({"table":"vornikModEvents","data":{}})") << empty << "[]";

    // The four commands that hand a game to the host, none of which answers with data.
    QTest::newRow("install or play")
        << R"({"event":"installOrPlayAppforVm","ga":{"banner_location":"home_top"},
               "data":{"package_name":"com.a","instance":"vm1","shareId":"s9"}})" << empty
        << R"([["ISimulatorMgr.requestApkUrl", ["com.a", true, 0, 1]],
               ["IMyGame.performGameAction", [{"packageName":"com.a","instance":"vm1",
                   "gaBannerLocation":"home_top","apkUrl":"https://apk.example/com.a.apk"}]],
               ["IMyGame.recordShareId", [["com.a","s9"]]],
               ["IMyGame.addGameDetail", [{"packageName":"com.a","gaBannerLocation":"home_top"}]],
               ["IStrategy.recordPlayChoice", ["vm1","com.a",1,5]]])";
    QTest::newRow("install or play, empty share id, address unknown")
        << R"({"event":"installOrPlayAppforVm","data":{"package_name":"com.b","instance":"vm2","shareId":""}})" << empty
        << R"([["ISimulatorMgr.requestApkUrl", ["com.b", true, 0, 1]],
               ["IMyGame.performGameAction", [{"packageName":"com.b","gaBannerLocation":"","apkUrl":""}]],
               ["IMyGame.recordShareId", [["com.b","1"]]],
               ["IMyGame.addGameDetail", [{"packageName":"com.b","gaBannerLocation":""}]],
               ["IStrategy.recordPlayChoice", ["vm2","com.b",1,5]]])";
    // No address lookup, and the play choice names no instance even when the page gave one.
    QTest::newRow("cloud game")
        << R"({"event":"openCloudGame","ga":{"banner_location":"cloud_row"},
               "data":{"package_name":"com.a","instance":"vm1","shareId":"s2"}})" << empty
        << R"([["IMyGame.performGameAction", [{"packageName":"com.a","apkUrl":"","gaBannerLocation":"cloud_row"}]],
               ["IMyGame.recordShareId", [["com.a","s2"]]],
               ["IMyGame.addGameDetail", [{"packageName":"com.a","gaBannerLocation":"cloud_row"}]],
               ["IStrategy.recordPlayChoice", ["","com.a",2,5]]])";
    QTest::newRow("steam game")
        << R"({"event":"openStreamGame","ga":{"banner_location":"steam_row"},
               "data":{"steam_appp_url":"https://store.example/app/570"}})" << empty
        << R"([["IBuriedpoint.reportPlayEvent", [{"reserved2":0,"reserved3":false,"event":6,"reserved5":0,
                   "gameKind":3,"reserved7":0,"appId":"570","bannerLocation":"steam_row"}]],
               ["IMyGame.openSteamGame", ["https://store.example/app/570"]]])";
    // The app id is the last part as it stands, even when that part is empty.
    QTest::newRow("steam address ending in a slash")
        << R"({"event":"openStreamGame","data":{"steam_appp_url":"https://store.example/app/570/"}})" << empty
        << R"([["IBuriedpoint.reportPlayEvent", [{"appId":"","bannerLocation":""}]],
               ["IMyGame.openSteamGame", ["https://store.example/app/570/"]]])";
    // No search has run yet, so the host gets no context with the results.
    QTest::newRow("search results: promoted and non-objects skipped")
        << R"({"event":"pushRealSearchResult","data":[5,{"is_promoted_app":true,"game_name":"Promo","package_name":"com.p"},
               {"is_promoted_app":false,"game_name":"Gamma","package_name":"com.g"},"text",{"game_name":"Delta"}]})" << empty
        << R"([["IMainWindow.pushRealSearchResults", [[{"gameName":"Gamma"},{"gameName":"Delta"}], null]]])";

    // One game object in each of the three records the page's games become: what each key becomes.
    const QString everyKey = R"({"id":"g1","genre":"Puzzle","icon_url":"i.png","package_name":"com.a","cloud_app_url":"c://a",
        "cloud_type":"t2","cloud_supported":true,"is_flarn_login_required":false,"game_name":"A","banner_url_v":"bv.png",
        "banner_url":"b.png","instance":"vm2","action":"play","section":"top","video_url":"v.mp4",
        "game_play_preference":["cloud","local"],"steam_supported":true,"steam_appp_url":"steam://run/42",
        "apk_url":"https://apk.test/a","vk_stats_info":{"appPage":"home","banner_location":"hero","section":"s1","arg1":"x"}})";
    // Flags given as strings are not flags: cloud support stays off (and takes the cloud address
    // with it), a login stays required.
    const QString mistyped = R"({"cloud_app_url":"c://a","cloud_supported":"true","is_flarn_login_required":"false",
        "package_name":42,"game_name":{"en":"A"},"game_play_preference":"cloud","instance":true,"steam_supported":1,
        "vk_stats_info":{"arg1":"x","section":7}})";
    const QString fullStats = R"({"appPage":"home","arg1":"x","bannerLocation":"hero","section":"s1"})";
    const QString shared = R"("genre":"Puzzle","iconUrl":"i.png","packageName":"com.a","cloudAppUrl":"c://a","cloudType":"t2",
        "flarnLoginRequired":false,"cloudSupported":true,"gameName":"A","gamePlayPreference":["cloud","local"])";
    QTest::newRow("game object, every key: action and detail")
        << QString(R"({"event":"installOrPlayAppforVm","data":%1})").arg(everyKey) << empty
        << QString(R"([["ISimulatorMgr.requestApkUrl", ["com.a", true, 0, 1]],
               ["IMyGame.performGameAction", [{%1,"bannerUrlV":"bv.png","bannerUrl":"b.png","instance":"vm2",
                   "action":"play","section":"top","stats":%2}]],
               ["IMyGame.recordShareId", [["com.a","1"]]],
               ["IMyGame.addGameDetail", [{%1,"id":"g1","videoUrl":"v.mp4","stats":%2}]],
               ["IStrategy.recordPlayChoice", ["vm2","com.a",1,5]]])").arg(shared, fullStats);
    QTest::newRow("game object, every key: search result")
        << QString(R"({"event":"pushRealSearchResult","data":[%1]})").arg(everyKey) << empty
        << R"([["IMainWindow.pushRealSearchResults", [[{"cloudSupported":true,"cloudAppUrl":"c://a","iconUrl":"i.png",
               "packageName":"com.a","gameName":"A","steamSupported":true,"steamAppUrl":"steam://run/42",
               "apkUrl":"https://apk.test/a","gamePlayPreference":["cloud","local"],"action":"play","section":"top",
               "cloudType":"t2","flarnLoginRequired":false}], null]]])";
    const QString defaults = R"("cloudAppUrl":"","cloudSupported":false,"flarnLoginRequired":true,"packageName":"",
        "gameName":"","gamePlayPreference":[])";
    const QString partStats = R"({"appPage":"","arg1":"x","bannerLocation":"","section":""})";
    QTest::newRow("game object, mistyped values: action and detail")
        << QString(R"({"event":"installOrPlayAppforVm","data":%1})").arg(mistyped) << empty
        << QString(R"([["ISimulatorMgr.requestApkUrl", ["", true, 0, 1]],
               ["IMyGame.performGameAction", [{%1,"instance":"","stats":%2}]], ["IMyGame.recordShareId", [["","1"]]],
               ["IMyGame.addGameDetail", [{%1,"stats":%2}]], ["IStrategy.recordPlayChoice", ["","",1,5]]])")
               .arg(defaults, partStats);
    QTest::newRow("game object, mistyped values: search result")
        << QString(R"({"event":"pushRealSearchResult","data":[%1]})").arg(mistyped) << empty
        << QString(R"([["IMainWindow.pushRealSearchResults", [[{%1,"steamSupported":false}], null]]])").arg(defaults);

    const auto banner = [](const char* url, int direction) {
        return QString(R"([["IMainWindow.changeBannerBackground",[{"url":"%1","reserved2":"","direction":%2,)"
                       R"("reserved4":0,"reserved5":0}]]])").arg(url).arg(direction);
    };
    QTest::newRow("banner: url and direction")
        << R"({"event":"changeBannerBackgroundImage","data":{"url":"https://cdn.test/b.png","direction":2}})" << empty
        << banner("https://cdn.test/b.png", 2);
    QTest::newRow("banner: direction a fraction")
        << R"({"event":"changeBannerBackgroundImage","data":{"url":"u","direction":1.5}})" << empty << banner("u", 0);
    QTest::newRow("banner: url a number, direction a string")
        << R"({"event":"changeBannerBackgroundImage","data":{"url":3,"direction":"2"}})" << empty << banner("", 0);
    QTest::newRow("banner: data an array")
        << R"({"event":"changeBannerBackgroundImage","data":[{"url":"u","direction":2}]})" << empty << banner("", 0);

    // com.a is in two instances; the Play Store is installed in one and present as well, so it
    // comes twice. Code unit order: capitals first.
    QTest::newRow("installed apps") << R"({"event":"getInstalledApps"})"
        << QStringList{R"({"action":"all","apps":[{"package_name":"B"},{"package_name":"com.a"},)"
                       R"({"package_name":"com.android.vending"},{"package_name":"org.z"},{"package_name":"com.android.vending"}]})"}
        << R"([["ISimulatorMgr.installedApps",[]],["ISimulatorMgr.hasPlayStore",[]]])";
    // The instances with the package first, then the others, each asked for its name and type.
    const QString asked = R"(["IMyGame.installedInstances",["com.a"]],["IMyGame.uninstalledInstances",["com.a"]],
        ["IMyGame.instanceName",["vm2"]],["IMyGame.instanceType",["vm2"]],["IMyGame.instanceName",["vm3"]],
        ["IMyGame.instanceType",["vm3"]],["IMyGame.instanceName",["vm1"]],["IMyGame.instanceType",["vm1"]])";
    QTest::newRow("instances to play") << R"({"event":"getVmList","data":{"packageName":"com.a","method":"play"}})"
        << QStringList{R"({"defaultEngines":"vk;gl","installed":[{"id":"vm2","name":"Second","type":"pie64"},)"
                       R"({"id":"vm3","name":"Third","type":"pie64"}],"uninstalled":[{"id":"vm1","name":"Main","type":"nougat64"}]})"}
        << "[" + asked + R"(,["IMyGame.defaultEngines",["com.a"]]])";
    QTest::newRow("instances, Play in capitals") << R"({"event":"getVmList","data":{"packageName":"com.a","method":"Play"}})"
                                                 << empty << "[" + asked + "]";
    QTest::newRow("instances, no package name") << R"({"event":"getVmList","data":{"method":"play"}})" << empty << "[]";
}

void CommandsTest::gameOperationsTellThePageFirst_data()
{
    QTest::addColumn<QStringList>("pushed");
    QTest::newRow("switchToGame") << QStringList{R"(switchToVKGame {"from":"3","mod_id":"m1","package":"com.a"})"};
    QTest::newRow("setupMod") << QStringList{R"(setupMod {"mod_id":"m1","mod_name":"Turbo","package":"com.a"})"};
}

void CommandsTest::router_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("pushed");

    QTest::newRow("same page, forced") << 4 << 4 << true << true << QStringList{R"(onPageviewShow {"preview":"hide"})"};
    QTest::newRow("home to own page") << 1 << 8 << false << true << QStringList{R"(onPageviewShow {"preview":"show"})"};
    QTest::newRow("own page, forced") << 8 << 8 << true << false << QStringList{R"(onPageviewShow {"preview":"show"})"};
}

void CommandsTest::searches_data()
{
    QTest::addColumn<int>("frontPage");
    QTest::addColumn<bool>("real");
    QTest::addColumn<QStringList>("pushed");

    // The searches go to whatever page the host shows in front; this plug-in's page is mask 8.
    QTest::newRow("go to search, own page among others") << 9 << false << QStringList{R"(clientGotoSearch {"query":"chess"})"};
    QTest::newRow("live search, own page in front") << 8 << true << QStringList{R"(clientRealSearch {"query":"chess"})"};
    QTest::newRow("live search, home in front") << 1 << true << QStringList();
}

void CommandsTest::clientLoading_data()
{
    QTest::addColumn<bool>("suppressed");
    QTest::newRow("spinner allowed") << false;
    QTest::newRow("spinner suppressed by the host") << true;
}

void CommandsTest::openShare_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("opened");

    QTest::newRow("http") << "http://share.test/p?id=1" << "http://share.test/p?id=1";
    QTest::newRow("scheme in capitals") << "HTTPS://share.test/" << "https://share.test/";
    QTest::newRow("local file") << "file:///etc/passwd" << "";
}

void CommandsTest::pageLogLines_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("version report")
        << R"({"event":"postWebVersionInfo","callbackEvent":"v","data":{"web":"2.4.1"}})"
        << QStringList{"[postWebVersionInfo(VK)]:\r\n{\n    \"callbackEvent\": \"v\",\n    \"data\": {\n        \"web\": \"2.4.1\"\n"
                       "    },\n    \"event\": \"postWebVersionInfo\"\n}\n"};
    QTest::newRow("page log line") << R"({"event":"onWebLogger","callbackEvent":"l","data":"page says \"hi\"\n"})"
                                   << QStringList{R"("page says \"hi\"\n")"};
    QTest::newRow("page log line a number") << R"({"event":"onWebLogger","callbackEvent":"l","data":12})"
                                            << QStringList{R"("")"};
}

void CommandsTest::slowApkAddressStopsNothingElse()
{
    // The emulator manager takes 3 s for an address the list does not have. Meanwhile the page's
    // next command is answered, and another web view of the host loads a page.
    StandInSimulatorMgr* simulator = m_harness->host()->simulator();
    simulator->setApkDelay(3000);
    const auto fastAgain = qScopeGuard([simulator] { simulator->setApkDelay(0); });
    m_harness->host()->profile().apkUrls.insert("com.slow", "https://apk.example/com.slow.apk");
    evaluate(m_page, R"(window.received = []; window.arrivals = [];
        window.send(JSON.stringify({event: 'installOrPlayAppforVm', callbackEvent: 'played',
                                    data: {package_name: 'com.slow', instance: 'vm2'}}));
        setTimeout(() => {
          window.askedAt = performance.now();
          window.send(JSON.stringify({event: 'getLanguage', callbackEvent: 'language'}));
        }, 200); true)");
    QWebEngineView other;
    int actionsWhenLoaded = -1;
    connect(other.page(), &QWebEnginePage::loadFinished, this, [&](bool ok) {
        if (ok && actionsWhenLoaded < 0)
            actionsWhenLoaded = m_harness->log()->count("IMyGame", "performGameAction");
    });
    other.load(PluginHarness::probePage());

    QTRY_COMPARE_WITH_TIMEOUT(receivedMessages(m_page).size(), 2, 30000);
    QCOMPARE(eventsAndData(receivedMessages(m_page)), (QStringList{"language {\"defaultLanguage\":\"de\",\"language\":\"de\"}", "played {}"}));
    const double answeredMs = evaluate(m_page, "window.arrivals[0] - window.askedAt").toDouble();
    qInfo("the command after the play command was answered in %.1f ms", answeredMs);
    QVERIFY2(answeredMs < 200, qPrintable(QString::number(answeredMs)));
    QCOMPARE(actionsWhenLoaded, 0);
    // The game's calls came with the address, in their order.
    QCOMPARE(hostCalls(m_harness->log()).replaceInStrings(QRegularExpression("\\[.*"), ""),
             (QStringList{"ISimulatorMgr.requestApkUrl", "IMyGame.performGameAction", "IMyGame.recordShareId",
                          "IMyGame.addGameDetail", "IStrategy.recordPlayChoice"}));
    QCOMPARE(m_harness->log()->lastArgs("IMyGame", "performGameAction").at(0)["apkUrl"].toString(),
             QStringLiteral("https://apk.example/com.slow.apk"));
}

VORNIK_TEST_MAIN(CommandsTest)
#include "tst_commands.moc"
