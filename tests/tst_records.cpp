// Game and app data between the page and the host: the page's game objects as the host's records
// (what each key becomes, what a missing or mistyped key defaults to), and the installed apps and
// emulator instances the page asks for.

#include "hostcalllog.h"
#include "ivornik.h"
#include "pagecommand.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QDateTime>
#include <QtTest>

#include "testmain.h"

namespace {

QJsonObject parsed(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// The members of expected that actual has with another value, as text for the failure message.
QString mismatches(const QJsonObject& actual, const QJsonObject& expected)
{
    QStringList differing;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (actual.value(it.key()) != it.value())
            differing.append(it.key() + ": " + compactJson(actual.value(it.key())) + " != " + compactJson(it.value()));
    }
    return differing.join("; ");
}

const QJsonObject kNoStats{{"appPage", ""}, {"arg1", ""}, {"bannerLocation", ""}, {"section", ""}};

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void gameActionAndDetail_data();
    void gameActionAndDetail();
    void searchResult_data();
    void searchResult();
    void bannerImage_data();
    void bannerImage();
    void installedApps_data();
    void installedApps();
    void vmList_data();
    void vmList();

private:
    QJsonArray send(const QString& commandText);

    std::unique_ptr<PluginHarness> m_harness;
};

void RecordsTest::initTestCase()
{
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->showPage());
}

void RecordsTest::init()
{
    m_harness->log()->clear();
}

void RecordsTest::cleanupTestCase()
{
    m_harness.reset();
}

QJsonArray RecordsTest::send(const QString& commandText)
{
    return roundTrip(m_harness->page(), parsed(commandText));
}

void RecordsTest::gameActionAndDetail_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QJsonObject>("action");
    QTest::addColumn<QJsonObject>("detail");

    QTest::newRow("empty object: defaults")
        << "{}"
        << QJsonObject{{"genre", ""}, {"iconUrl", ""}, {"packageName", ""}, {"cloudAppUrl", ""}, {"cloudType", ""},
                       {"flarnLoginRequired", true}, {"cloudSupported", false}, {"gameName", ""}, {"bannerUrlV", ""},
                       {"bannerUrl", ""}, {"instance", ""}, {"reserved13", ""}, {"action", ""}, {"section", ""},
                       {"gamePlayPreference", QJsonArray()}, {"reserved20", 0}, {"stats", kNoStats}}
        << QJsonObject{{"id", ""}, {"packageName", ""}, {"iconUrl", ""}, {"genre", ""}, {"gameName", ""},
                       {"videoUrl", ""}, {"cloudAppUrl", ""}, {"cloudType", ""}, {"flarnLoginRequired", true},
                       {"gamePlayPreference", QJsonArray()}, {"cloudSupported", false}, {"reserved14", 0},
                       {"stats", kNoStats}};
    QTest::newRow("every key")
        << R"({"id":"g1","genre":"Puzzle","icon_url":"i.png","package_name":"com.a","cloud_app_url":"c://a",
               "cloud_type":"t2","cloud_supported":true,"is_flarn_login_required":false,"game_name":"A",
               "banner_url_v":"bv.png","banner_url":"b.png","instance":"vm2","action":"play","section":"top",
               "video_url":"v.mp4","game_play_preference":["cloud","local"],
               "vk_stats_info":{"appPage":"home","banner_location":"hero","section":"s1","arg1":"x"}})"
        << QJsonObject{{"genre", "Puzzle"}, {"iconUrl", "i.png"}, {"packageName", "com.a"}, {"cloudAppUrl", "c://a"},
                       {"cloudType", "t2"}, {"flarnLoginRequired", false}, {"cloudSupported", true}, {"gameName", "A"},
                       {"bannerUrlV", "bv.png"}, {"bannerUrl", "b.png"}, {"instance", "vm2"}, {"action", "play"},
                       {"section", "top"}, {"gamePlayPreference", QJsonArray{"cloud", "local"}},
                       {"stats", QJsonObject{{"appPage", "home"}, {"arg1", "x"}, {"bannerLocation", "hero"}, {"section", "s1"}}}}
        << QJsonObject{{"id", "g1"}, {"packageName", "com.a"}, {"iconUrl", "i.png"}, {"genre", "Puzzle"},
                       {"gameName", "A"}, {"videoUrl", "v.mp4"}, {"cloudAppUrl", "c://a"}, {"cloudType", "t2"},
                       {"flarnLoginRequired", false}, {"gamePlayPreference", QJsonArray{"cloud", "local"}},
                       {"cloudSupported", true},
                       {"stats", QJsonObject{{"appPage", "home"}, {"arg1", "x"}, {"bannerLocation", "hero"}, {"section", "s1"}}}};
    QTest::newRow("cloud address without cloud support")
        << R"({"cloud_app_url":"c://a"})"
        << QJsonObject{{"cloudAppUrl", ""}, {"cloudSupported", false}}
        << QJsonObject{{"cloudAppUrl", ""}, {"cloudSupported", false}};
    QTest::newRow("cloud support as a string")
        << R"({"cloud_app_url":"c://a","cloud_supported":"true"})"
        << QJsonObject{{"cloudAppUrl", ""}, {"cloudSupported", false}}
        << QJsonObject{{"cloudAppUrl", ""}, {"cloudSupported", false}};
    QTest::newRow("login flag the string false")
        << R"({"is_flarn_login_required":"false"})"
        << QJsonObject{{"flarnLoginRequired", true}} << QJsonObject{{"flarnLoginRequired", true}};
    QTest::newRow("stats not an object")
        << R"({"vk_stats_info":["home","hero"]})"
        << QJsonObject{{"stats", kNoStats}} << QJsonObject{{"stats", kNoStats}};
    QTest::newRow("stats partly given")
        << R"({"vk_stats_info":{"arg1":"x","section":7}})"
        << QJsonObject{{"stats", QJsonObject{{"appPage", ""}, {"arg1", "x"}, {"bannerLocation", ""}, {"section", ""}}}}
        << QJsonObject{{"stats", QJsonObject{{"appPage", ""}, {"arg1", "x"}, {"bannerLocation", ""}, {"section", ""}}}};
    QTest::newRow("mistyped values")
        << R"({"package_name":42,"game_name":{"en":"A"},"game_play_preference":"cloud","instance":true})"
        << QJsonObject{{"packageName", ""}, {"gameName", ""}, {"gamePlayPreference", QJsonArray()}, {"instance", ""}}
        << QJsonObject{{"packageName", ""}, {"gameName", ""}, {"gamePlayPreference", QJsonArray()}};
}

void RecordsTest::gameActionAndDetail()
{
    QFETCH(QString, game);
    QFETCH(QJsonObject, action);
    QFETCH(QJsonObject, detail);

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(!send(QString(R"({"event":"installOrPlayAppforVm","data":%1})").arg(game)).isEmpty());
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    const QJsonObject actionRecord = m_harness->log()->lastArgs("IMyGame", "performGameAction").at(0).toObject();
    const QJsonObject detailRecord = m_harness->log()->lastArgs("IMyGame", "addGameDetail").at(0).toObject();
    QVERIFY2(mismatches(actionRecord, action).isEmpty(), qPrintable(mismatches(actionRecord, action)));
    QVERIFY2(mismatches(detailRecord, detail).isEmpty(), qPrintable(mismatches(detailRecord, detail)));
    // Whatever the game object holds, the action is stamped with the time it was filled.
    const qint64 requestTime = actionRecord.value("requestTime").toVariant().toLongLong();
    QVERIFY2(requestTime >= before && requestTime <= after, qPrintable(QString::number(requestTime)));
}

void RecordsTest::searchResult_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QJsonObject>("record");

    QTest::newRow("empty object: defaults")
        << "{}"
        << QJsonObject{{"reserved1", false}, {"cloudSupported", false}, {"steamSupported", false}, {"reserved4", false},
                       {"flarnLoginRequired", true}, {"reserved6", false}, {"cloudType", ""}, {"reserved8", QJsonArray()},
                       {"steamAppUrl", ""}, {"cloudAppUrl", ""}, {"reserved11", ""}, {"gameName", ""}, {"iconUrl", ""},
                       {"packageName", ""}, {"apkUrl", ""}, {"gamePlayPreference", QJsonArray()}, {"action", ""},
                       {"section", ""}};
    QTest::newRow("every key")
        << R"({"cloud_supported":true,"cloud_app_url":"c://a","icon_url":"i.png","package_name":"com.a",
               "game_name":"A","steam_supported":true,"steam_appp_url":"steam://run/42","apk_url":"https://apk.test/a",
               "game_play_preference":["local"],"action":"install","section":"results","cloud_type":"t1",
               "is_flarn_login_required":false})"
        << QJsonObject{{"cloudSupported", true}, {"cloudAppUrl", "c://a"}, {"iconUrl", "i.png"}, {"packageName", "com.a"},
                       {"gameName", "A"}, {"steamSupported", true}, {"steamAppUrl", "steam://run/42"},
                       {"apkUrl", "https://apk.test/a"}, {"gamePlayPreference", QJsonArray{"local"}},
                       {"action", "install"}, {"section", "results"}, {"cloudType", "t1"}, {"flarnLoginRequired", false}};
    QTest::newRow("cloud address without cloud support")
        << R"({"cloud_app_url":"c://a","cloud_supported":false})" << QJsonObject{{"cloudAppUrl", ""}};
    QTest::newRow("Steam address under the right spelling only")
        << R"({"steam_app_url":"steam://run/42"})" << QJsonObject{{"steamAppUrl", ""}};
    QTest::newRow("login flag the string false")
        << R"({"is_flarn_login_required":"false"})" << QJsonObject{{"flarnLoginRequired", true}};
}

void RecordsTest::searchResult()
{
    QFETCH(QString, game);
    QFETCH(QJsonObject, record);

    QVERIFY(!send(QString(R"({"event":"pushRealSearchResult","data":[%1]})").arg(game)).isEmpty());
    const QJsonArray results = m_harness->log()->lastArgs("IMainWindow", "pushRealSearchResults").at(0).toArray();
    QCOMPARE(results.size(), 1);
    const QJsonObject actual = results.at(0).toObject();
    QVERIFY2(mismatches(actual, record).isEmpty(), qPrintable(mismatches(actual, record)));
}

void RecordsTest::bannerImage_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QJsonObject>("record");

    const auto banner = [](const QString& url, int direction) {
        return QJsonObject{{"url", url}, {"reserved2", ""}, {"direction", direction}, {"reserved4", 0}, {"reserved5", 0}};
    };
    QTest::newRow("url and direction") << R"({"url":"https://cdn.test/b.png","direction":2})" << banner("https://cdn.test/b.png", 2);
    QTest::newRow("direction a string") << R"({"url":"u","direction":"2"})" << banner("u", 0);
    QTest::newRow("direction a fraction") << R"({"url":"u","direction":1.5})" << banner("u", 0);
    QTest::newRow("no direction") << R"({"url":"u"})" << banner("u", 0);
    QTest::newRow("url a number") << R"({"url":3,"direction":1})" << banner("", 1);
}

void RecordsTest::bannerImage()
{
    QFETCH(QString, data);
    QFETCH(QJsonObject, record);

    QVERIFY(!send(QString(R"({"event":"changeBannerBackgroundImage","data":%1})").arg(data)).isEmpty());
    QCOMPARE(m_harness->log()->lastArgs("IMainWindow", "changeBannerBackground").at(0).toObject(), record);
}

void RecordsTest::installedApps_data()
{
    QTest::addColumn<QJsonArray>("instances");
    QTest::addColumn<bool>("playStore");
    QTest::addColumn<QStringList>("apps");

    const QString store = "com.android.vending";
    QTest::newRow("no instances") << QJsonArray() << false << QStringList();
    QTest::newRow("instances without apps") << QJsonArray{QJsonArray(), QJsonArray()} << false << QStringList();
    QTest::newRow("one package in two instances")
        << QJsonArray{QJsonArray{"com.b", "com.a"}, QJsonArray{"com.a"}} << false << QStringList{"com.a", "com.b"};
    QTest::newRow("code unit order, capitals first")
        << QJsonArray{QJsonArray{"b", "a"}, QJsonArray{"B"}} << false << QStringList{"B", "a", "b"};
    QTest::newRow("Play Store appended last")
        << QJsonArray{QJsonArray{"org.z"}, QJsonArray{"com.a"}} << true << QStringList{"com.a", "org.z", store};
    QTest::newRow("Play Store only") << QJsonArray() << true << QStringList{store};
    QTest::newRow("Play Store installed too")
        << QJsonArray{QJsonArray{"org.z", store}} << true << QStringList{store, "org.z", store};
}

void RecordsTest::installedApps()
{
    QFETCH(QJsonArray, instances);
    QFETCH(bool, playStore);
    QFETCH(QStringList, apps);

    HostProfile& profile = m_harness->host()->profile();
    profile.instances.clear();
    for (int i = 0; i < instances.size(); ++i) {
        HostInstance instance{QString("vm%1").arg(i), QString(), QString(), {}};
        for (const QJsonValue& app : instances.at(i).toArray())
            instance.apps.append(app.toString());
        profile.instances.append(instance);
    }
    profile.hasPlayStore = playStore;

    QJsonArray expectedApps;
    for (const QString& app : apps)
        expectedApps.append(QJsonObject{{"package_name", app}});
    const QJsonObject expected{{"action", "all"}, {"apps", expectedApps}};
    QCOMPARE(replyData(send(R"({"event":"getInstalledApps"})")), expected);
    QCOMPARE(hostCalls(m_harness->log()), (QStringList{"ISimulatorMgr.installedApps[]", "ISimulatorMgr.hasPlayStore[]"}));

    // The host's push carries the same object.
    m_harness->vornik()->pushInstalledApps();
    const QJsonArray pushed = roundTrip(m_harness->page(), QJsonObject{{"event", "settle"}});
    QCOMPARE(pushed.size(), 2);
    QCOMPARE(eventsAndData(pushed).first(), "updateInstalledAppsNotification " + compactJson(expected));
}

void RecordsTest::vmList_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QStringList>("calls");

    const QStringList asked{R"(IMyGame.installedInstances["com.a"])", R"(IMyGame.uninstalledInstances["com.a"])",
                            R"(IMyGame.instanceName["vm2"])", R"(IMyGame.instanceType["vm2"])",
                            R"(IMyGame.instanceName["vm1"])", R"(IMyGame.instanceType["vm1"])",
                            R"(IMyGame.instanceName["vm3"])", R"(IMyGame.instanceType["vm3"])"};
    const QJsonObject play{
        {"installed", QJsonArray{QJsonObject{{"id", "vm2"}, {"name", "Second"}, {"type", "pie64"}}}},
        {"uninstalled", QJsonArray{QJsonObject{{"id", "vm1"}, {"name", "Main"}, {"type", "nougat64"}},
                                   QJsonObject{{"id", "vm3"}, {"name", "Third"}, {"type", "pie64"}}}},
        {"defaultEngines", "vk;gl"}};
    QTest::newRow("play") << R"({"packageName":"com.a","method":"play"})" << play
                          << asked + QStringList{R"(IMyGame.defaultEngines["com.a"])"};
    QTest::newRow("Play in capitals") << R"({"packageName":"com.a","method":"Play"})" << QJsonObject() << asked;
    QTest::newRow("no method") << R"({"packageName":"com.a"})" << QJsonObject() << asked;
    QTest::newRow("no package name") << R"({"method":"play"})" << QJsonObject() << QStringList();
    QTest::newRow("package name a number") << R"({"packageName":5,"method":"play"})" << QJsonObject() << QStringList();
    QTest::newRow("data a string") << R"("com.a")" << QJsonObject() << QStringList();
}

void RecordsTest::vmList()
{
    QFETCH(QString, data);
    QFETCH(QJsonObject, reply);
    QFETCH(QStringList, calls);

    HostProfile& profile = m_harness->host()->profile();
    profile.instances = {{"vm1", "Main", "nougat64", {"org.z"}},
                         {"vm2", "Second", "pie64", {"com.a"}},
                         {"vm3", "Third", "pie64", {}}};
    profile.defaultEngines = {{"com.a", "vk;gl"}};
    QCOMPARE(replyData(send(QString(R"({"event":"getVmList","data":%1})").arg(data))), reply);
    QCOMPARE(hostCalls(m_harness->log()), calls);
}

VORNIK_TEST_MAIN(RecordsTest)
#include "tst_records.moc"
