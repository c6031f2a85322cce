// The four page commands that hand a game to the host: which host calls each one makes, in what
// order, with which records; and that none of them answers the page with data. How each record
// field is read from the page's game object is tst_records' business; here only the fields these
// handlers set themselves are named.

#include "hostcalllog.h"
#include "pagecommand.h"
#include "pluginharness.h"

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

class GameActionsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_harness.reset(); }
    void commands_data();
    void commands();

private:
    std::unique_ptr<PluginHarness> m_harness;
};

void GameActionsTest::initTestCase()
{
    HostProfile profile = PluginHarness::testProfile();
    profile.apkUrls.insert("com.a", "https://apk.example/com.a.apk");
    m_harness = std::make_unique<PluginHarness>(profile);
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->showPage());
}

void GameActionsTest::commands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("calls"); // [["Iface.op", args], ...]

    QTest::newRow("install or play")
        << R"({"event":"installOrPlayAppforVm","ga":{"banner_location":"home_top"},
               "data":{"package_name":"com.a","instance":"vm1","shareId":"s9"}})"
        << R"([["ISimulatorMgr.requestApkUrl", ["com.a", true, 0, 1]],
               ["IMyGame.performGameAction", [{"packageName":"com.a","instance":"vm1",
                   "gaBannerLocation":"home_top","apkUrl":"https://apk.example/com.a.apk"}]],
               ["IMyGame.recordShareId", [["com.a","s9"]]],
               ["IMyGame.addGameDetail", [{"packageName":"com.a","gaBannerLocation":"home_top"}]],
               ["IStrategy.recordPlayChoice", ["vm1","com.a",1,5]]])";
    QTest::newRow("install or play, empty share id, address unknown")
        << R"({"event":"installOrPlayAppforVm","data":{"package_name":"com.b","instance":"vm2","shareId":""}})"
        << R"([["ISimulatorMgr.requestApkUrl", ["com.b", true, 0, 1]],
               ["IMyGame.performGameAction", [{"packageName":"com.b","gaBannerLocation":"","apkUrl":""}]],
               ["IMyGame.recordShareId", [["com.b","1"]]],
               ["IMyGame.addGameDetail", [{"packageName":"com.b","gaBannerLocation":""}]],
               ["IStrategy.recordPlayChoice", ["vm2","com.b",1,5]]])";
    // No address lookup, and the play choice names no instance even when the page gave one.
    QTest::newRow("cloud game")
        << R"({"event":"openCloudGame","ga":{"banner_location":"cloud_row"},
               "data":{"package_name":"com.a","instance":"vm1","shareId":"s2"}})"
        << R"([["IMyGame.performGameAction", [{"packageName":"com.a","apkUrl":"","gaBannerLocation":"cloud_row"}]],
               ["IMyGame.recordShareId", [["com.a","s2"]]],
               ["IMyGame.addGameDetail", [{"packageName":"com.a","gaBannerLocation":"cloud_row"}]],
               ["IStrategy.recordPlayChoice", ["","com.a",2,5]]])";
    QTest::newRow("steam game")
        << R"({"event":"openStreamGame","ga":{"banner_location":"steam_row"},
               "data":{"steam_appp_url":"https://store.example/app/570"}})"
        << R"([["IBuriedpoint.reportPlayEvent", [{"reserved2":0,"reserved3":false,"event":6,"reserved5":0,
                   "gameKind":3,"reserved7":0,"appId":"570","bannerLocation":"steam_row"}]],
               ["IMyGame.openSteamGame", ["https://store.example/app/570"]]])";
    // The app id is the last part as it stands, even when that part is empty.
    QTest::newRow("steam address ending in a slash")
        << R"({"event":"openStreamGame","data":{"steam_appp_url":"https://store.example/app/570/"}})"
        << R"([["IBuriedpoint.reportPlayEvent", [{"appId":"","bannerLocation":""}]],
               ["IMyGame.openSteamGame", ["https://store.example/app/570/"]]])";
    // No search has run in this process, so the host gets no context with the results.
    QTest::newRow("search results: promoted and non-objects skipped")
        << R"({"event":"pushRealSearchResult","data":[
                5,
                {"is_promoted_app":true,"game_name":"Promo","package_name":"com.p"},
                {"is_promoted_app":false,"game_name":"Gamma","package_name":"com.g"},
                "text",
                {"game_name":"Delta"}]})"
        << R"([["IMainWindow.pushRealSearchResults", [[{"gameName":"Gamma"},{"gameName":"Delta"}], null]]])";
}

void GameActionsTest::commands()
{
    QFETCH(QString, command);
    QFETCH(QString, calls);
    m_harness->log()->clear();

    const QJsonArray messages = roundTrip(m_harness->page(), QJsonDocument::fromJson(command.toUtf8()).object());
    QCOMPARE(messages.size(), 1);
    QCOMPARE(replyData(messages), QJsonObject());

    QJsonArray actual;
    for (const QJsonValue& value : m_harness->log()->entries()) {
        const QJsonObject entry = value.toObject();
        actual.append(QJsonArray{entry.value("iface").toString() + '.' + entry.value("op").toString(),
                                 entry.value("args")});
    }
    const QJsonArray expected = QJsonDocument::fromJson(calls.toUtf8()).array();
    QVERIFY2(!expected.isEmpty(), "bad expectation in the test table");
    QCOMPARE(compactJson(projection(actual, expected)), compactJson(expected));
}

VORNIK_TEST_MAIN(GameActionsTest)
#include "tst_gameactions.moc"
