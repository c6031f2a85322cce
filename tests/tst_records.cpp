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

// actual cut down to the members expected names, as text, so that a failure shows both sides.
QString only(const QJsonObject& actual, const QJsonObject& expected)
{
    QJsonObject kept;
    for (const QString& key : expected.keys())
        kept.insert(key, actual.value(key));
    return compactJson(kept);
}

const QJsonObject kPartStats{{"appPage", ""}, {"arg1", "x"}, {"bannerLocation", ""}, {"section", ""}};
const QJsonObject kFullStats{{"appPage", "home"}, {"arg1", "x"}, {"bannerLocation", "hero"}, {"section", "s1"}};

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PluginHarness> m_harness;

    QJsonArray send(const QString& commandText) { return roundTrip(m_harness->page(), commandText); }

    // Each table is defined after the class: moc reads the class body, and raw strings holding "//"
    // or escaped quotes throw it off.
private slots:
    void initTestCase()
    {
        HostProfile profile = PluginHarness::testProfile();
        profile.instances = {{"vm1", "Main", "nougat64", {"org.z", "com.android.vending"}},
                             {"vm2", "Second", "pie64", {"com.a", "B"}},
                             {"vm3", "Third", "pie64", {"com.a"}}};
        profile.hasPlayStore = true;
        profile.defaultEngines = {{"com.a", "vk;gl"}};
        m_harness = std::make_unique<PluginHarness>(profile);
        QVERIFY(m_harness->bind());
        QVERIFY(m_harness->showPage());
    }

    void init()
    {
        m_harness->host()->profile().hasPlayStore = true;
        m_harness->log()->clear();
    }
    void cleanupTestCase() { m_harness.reset(); }

    void records_data();
    void records()
    {
        QFETCH(QString, game);
        QFETCH(QJsonObject, action);
        QFETCH(QJsonObject, detail);
        QFETCH(QJsonObject, result);

        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(!send(QString(R"({"event":"installOrPlayAppforVm","data":%1})").arg(game)).isEmpty());
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(!send(QString(R"({"event":"pushRealSearchResult","data":[%1]})").arg(game)).isEmpty());

        const QJsonObject actionRecord = m_harness->log()->lastArgs("IMyGame", "performGameAction").at(0).toObject();
        QCOMPARE(only(actionRecord, action), compactJson(action));
        QCOMPARE(only(m_harness->log()->lastArgs("IMyGame", "addGameDetail").at(0).toObject(), detail), compactJson(detail));
        const QJsonArray results = m_harness->log()->lastArgs("IMainWindow", "pushRealSearchResults").at(0).toArray();
        QCOMPARE(results.size(), 1);
        QCOMPARE(only(results.at(0).toObject(), result), compactJson(result));
        // Whatever the game object holds, the action is stamped with the time it was filled.
        const qint64 requestTime = actionRecord.value("requestTime").toVariant().toLongLong();
        QVERIFY2(requestTime >= before && requestTime <= after, qPrintable(QString::number(requestTime)));
    }

    void bannerImage_data();
    void bannerImage()
    {
        QFETCH(QString, data);
        QFETCH(QString, url);
        QFETCH(int, direction);

        QVERIFY(!send(QString(R"({"event":"changeBannerBackgroundImage","data":%1})").arg(data)).isEmpty());
        QCOMPARE(m_harness->log()->lastArgs("IMainWindow", "changeBannerBackground").at(0).toObject(),
                 (QJsonObject{{"url", url}, {"reserved2", ""}, {"direction", direction}, {"reserved4", 0}, {"reserved5", 0}}));
    }

    void appsAndInstances_data();
    void appsAndInstances()
    {
        QFETCH(QString, command);
        QFETCH(QString, reply);
        QFETCH(QStringList, calls);

        QCOMPARE(compactJson(replyData(send(command))), reply);
        QCOMPARE(hostCalls(m_harness->log()), calls);
    }

    void installedAppsPushedWithoutPlayStore()
    {
        // Installed in an instance, the Play Store is an app like any other; only its presence adds it again.
        m_harness->host()->profile().hasPlayStore = false;
        m_harness->vornik()->pushInstalledApps();
        const QStringList received = eventsAndData(roundTrip(m_harness->page(), QJsonObject{{"event", "settle"}}));
        QCOMPARE(received.size(), 2);
        QCOMPARE(received.first(), R"(updateInstalledAppsNotification {"action":"all","apps":[{"package_name":"B"},)"
                                   R"({"package_name":"com.a"},{"package_name":"com.android.vending"},{"package_name":"org.z"}]})");
    }
};

// One game object, filled into each of the three records the page's games become.
void RecordsTest::records_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QJsonObject>("action");
    QTest::addColumn<QJsonObject>("detail");
    QTest::addColumn<QJsonObject>("result");

    QTest::newRow("every key")
        << R"({"id":"g1","genre":"Puzzle","icon_url":"i.png","package_name":"com.a","cloud_app_url":"c://a",
               "cloud_type":"t2","cloud_supported":true,"is_flarn_login_required":false,"game_name":"A",
               "banner_url_v":"bv.png","banner_url":"b.png","instance":"vm2","action":"play","section":"top",
               "video_url":"v.mp4","game_play_preference":["cloud","local"],"steam_supported":true,
               "steam_appp_url":"steam://run/42","apk_url":"https://apk.test/a",
               "vk_stats_info":{"appPage":"home","banner_location":"hero","section":"s1","arg1":"x"}})"
        << QJsonObject{{"genre", "Puzzle"}, {"iconUrl", "i.png"}, {"packageName", "com.a"}, {"cloudAppUrl", "c://a"},
                       {"cloudType", "t2"}, {"flarnLoginRequired", false}, {"cloudSupported", true}, {"gameName", "A"},
                       {"bannerUrlV", "bv.png"}, {"bannerUrl", "b.png"}, {"instance", "vm2"}, {"action", "play"},
                       {"section", "top"}, {"gamePlayPreference", QJsonArray{"cloud", "local"}}, {"stats", kFullStats}}
        << QJsonObject{{"id", "g1"}, {"packageName", "com.a"}, {"iconUrl", "i.png"}, {"genre", "Puzzle"},
                       {"gameName", "A"}, {"videoUrl", "v.mp4"}, {"cloudAppUrl", "c://a"}, {"cloudType", "t2"},
                       {"flarnLoginRequired", false}, {"gamePlayPreference", QJsonArray{"cloud", "local"}},
                       {"cloudSupported", true}, {"stats", kFullStats}}
        << QJsonObject{{"cloudSupported", true}, {"cloudAppUrl", "c://a"}, {"iconUrl", "i.png"}, {"packageName", "com.a"},
                       {"gameName", "A"}, {"steamSupported", true}, {"steamAppUrl", "steam://run/42"},
                       {"apkUrl", "https://apk.test/a"}, {"gamePlayPreference", QJsonArray{"cloud", "local"}},
                       {"action", "play"}, {"section", "top"}, {"cloudType", "t2"}, {"flarnLoginRequired", false}};
    // Flags given as strings are not flags: cloud support stays off (and takes the cloud address
    // with it), a login stays required.
    QTest::newRow("mistyped values take the defaults")
        << R"({"cloud_app_url":"c://a","cloud_supported":"true","is_flarn_login_required":"false","package_name":42,
               "game_name":{"en":"A"},"game_play_preference":"cloud","instance":true,"steam_supported":1,
               "vk_stats_info":{"arg1":"x","section":7}})"
        << QJsonObject{{"cloudAppUrl", ""}, {"cloudSupported", false}, {"flarnLoginRequired", true}, {"packageName", ""},
                       {"gameName", ""}, {"gamePlayPreference", QJsonArray()}, {"instance", ""}, {"stats", kPartStats}}
        << QJsonObject{{"cloudAppUrl", ""}, {"cloudSupported", false}, {"flarnLoginRequired", true}, {"packageName", ""},
                       {"gameName", ""}, {"gamePlayPreference", QJsonArray()}, {"stats", kPartStats}}
        << QJsonObject{{"cloudAppUrl", ""}, {"cloudSupported", false}, {"flarnLoginRequired", true}, {"packageName", ""},
                       {"gameName", ""}, {"gamePlayPreference", QJsonArray()}, {"steamSupported", false}};
}

void RecordsTest::bannerImage_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("direction");

    QTest::newRow("url and direction") << R"({"url":"https://cdn.test/b.png","direction":2})" << "https://cdn.test/b.png" << 2;
    QTest::newRow("direction a fraction") << R"({"url":"u","direction":1.5})" << "u" << 0;
    QTest::newRow("url a number, direction a string") << R"({"url":3,"direction":"2"})" << "" << 0;
    QTest::newRow("data an array") << R"([{"url":"u","direction":2}])" << "" << 0;
}

void RecordsTest::appsAndInstances_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("calls");

    // com.a is in two instances; the Play Store is installed in one and present as well, so it
    // comes twice. Code unit order: capitals first.
    QTest::newRow("installed apps") << R"({"event":"getInstalledApps"})"
        << R"({"action":"all","apps":[{"package_name":"B"},{"package_name":"com.a"},{"package_name":"com.android.vending"},)"
           R"({"package_name":"org.z"},{"package_name":"com.android.vending"}]})"
        << QStringList{"ISimulatorMgr.installedApps[]", "ISimulatorMgr.hasPlayStore[]"};
    // The instances with the package first, then the others, each asked for its name and type.
    const QStringList asked{R"(IMyGame.installedInstances["com.a"])", R"(IMyGame.uninstalledInstances["com.a"])",
                            R"(IMyGame.instanceName["vm2"])", R"(IMyGame.instanceType["vm2"])",
                            R"(IMyGame.instanceName["vm3"])", R"(IMyGame.instanceType["vm3"])",
                            R"(IMyGame.instanceName["vm1"])", R"(IMyGame.instanceType["vm1"])"};
    QTest::newRow("instances to play") << R"({"event":"getVmList","data":{"packageName":"com.a","method":"play"}})"
        << R"({"defaultEngines":"vk;gl","installed":[{"id":"vm2","name":"Second","type":"pie64"},)"
           R"({"id":"vm3","name":"Third","type":"pie64"}],"uninstalled":[{"id":"vm1","name":"Main","type":"nougat64"}]})"
        << asked + QStringList{R"(IMyGame.defaultEngines["com.a"])"};
    QTest::newRow("instances, Play in capitals") << R"({"event":"getVmList","data":{"packageName":"com.a","method":"Play"}})"
                                                 << "{}" << asked;
    QTest::newRow("instances, no package name") << R"({"event":"getVmList","data":{"method":"play"}})" << "{}" << QStringList();
}

VORNIK_TEST_MAIN(RecordsTest)
#include "tst_records.moc"
