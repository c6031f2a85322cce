// The four page commands that hand a game to the host: which host calls each one makes, in what
// order, with which records; and that none of them answers the page with data.

#include "hostcalllog.h"
#include "ivornik.h"
#include "pagescript.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "testmain.h"

namespace {

QJsonArray parseArray(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonArray array = QJsonDocument::fromJson(json, &error).array();
    if (error.error != QJsonParseError::NoError)
        qWarning("bad expectation in the test table: %s", qPrintable(error.errorString()));
    return array;
}

// What of actual the expectation speaks about: objects keep only the expected keys (so records
// are checked field by field, ignoring fields a row does not name); arrays and plain values are
// taken whole.
QJsonValue projection(const QJsonValue& actual, const QJsonValue& expected)
{
    if (actual.isObject() && expected.isObject()) {
        const QJsonObject actualObject = actual.toObject();
        const QJsonObject expectedObject = expected.toObject();
        QJsonObject projected;
        for (auto it = expectedObject.begin(); it != expectedObject.end(); ++it) {
            if (actualObject.contains(it.key()))
                projected.insert(it.key(), projection(actualObject.value(it.key()), it.value()));
        }
        return projected;
    }
    if (actual.isArray() && expected.isArray()) {
        const QJsonArray actualArray = actual.toArray();
        const QJsonArray expectedArray = expected.toArray();
        QJsonArray projected;
        for (int i = 0; i < actualArray.size(); ++i)
            projected.append(i < expectedArray.size() ? projection(actualArray.at(i), expectedArray.at(i))
                                                      : actualArray.at(i));
        return projected;
    }
    return actual;
}

// The host calls logged so far as [["Iface.op", args], ...].
// Compact text, so that a failing comparison shows both sides.
QByteArray text(const QJsonArray& array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QJsonArray hostCalls(HostCallLog* log)
{
    QJsonArray calls;
    for (const QJsonValue& value : log->entries()) {
        const QJsonObject entry = value.toObject();
        calls.append(QJsonArray{entry.value("iface").toString() + '.' + entry.value("op").toString(),
                                entry.value("args")});
    }
    return calls;
}

} // namespace

class GameActionsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void commands_data();
    void commands();
    void searchContextIsKept();

private:
    // Sends the command with the callback name "done" and returns the data of its reply.
    QJsonObject sendCommand(const QString& text);

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

void GameActionsTest::cleanupTestCase()
{
    m_harness.reset();
}

void GameActionsTest::init()
{
    evaluate(m_harness->page(), "window.received = []; true");
    m_harness->log()->clear();
}

QJsonObject GameActionsTest::sendCommand(const QString& text)
{
    QJsonObject command = QJsonDocument::fromJson(text.toUtf8()).object();
    command.insert("callbackEvent", "done");
    sendFromPage(m_harness->page(), QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
    QJsonArray replies;
    const bool replied = QTest::qWaitFor(
        [&] {
            replies = QJsonArray();
            for (const QJsonValue& message : receivedMessages(m_harness->page())) {
                if (message.toObject().value("event") == "done")
                    replies.append(message);
            }
            return !replies.isEmpty();
        },
        30000);
    if (!replied || replies.size() != 1)
        qWarning("%d replies instead of one", int(replies.size()));
    return replies.at(0).toObject().value("data").toObject();
}

void GameActionsTest::commands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QVariant>("searchContext"); // set by the host's live search first, when valid
    QTest::addColumn<QJsonArray>("calls");

    QTest::newRow("install or play")
        << R"({"event":"installOrPlayAppforVm","ga":{"banner_location":"home_top"},
               "data":{"package_name":"com.a","instance":"vm1","shareId":"s9","game_name":"Alpha"}})"
        << QVariant() << parseArray(R"([
            ["ISimulatorMgr.requestApkUrl", ["com.a", true, 0, 1]],
            ["IMyGame.performGameAction", [{"packageName":"com.a","instance":"vm1","gameName":"Alpha",
                "gaBannerLocation":"home_top","apkUrl":"https://apk.example/com.a.apk"}]],
            ["IMyGame.recordShareId", [["com.a","s9"]]],
            ["IMyGame.addGameDetail", [{"packageName":"com.a","gameName":"Alpha","gaBannerLocation":"home_top"}]],
            ["IStrategy.recordPlayChoice", ["vm1","com.a",1,5]]])");
    QTest::newRow("install or play without share id or address")
        << R"({"event":"installOrPlayAppforVm","data":{"package_name":"com.b","instance":"vm2"}})"
        << QVariant() << parseArray(R"([
            ["ISimulatorMgr.requestApkUrl", ["com.b", true, 0, 1]],
            ["IMyGame.performGameAction", [{"packageName":"com.b","instance":"vm2","gaBannerLocation":"","apkUrl":""}]],
            ["IMyGame.recordShareId", [["com.b","1"]]],
            ["IMyGame.addGameDetail", [{"packageName":"com.b","gaBannerLocation":""}]],
            ["IStrategy.recordPlayChoice", ["vm2","com.b",1,5]]])");
    QTest::newRow("install or play with empty share id")
        << R"({"event":"installOrPlayAppforVm","data":{"package_name":"com.a","shareId":""}})"
        << QVariant() << parseArray(R"([
            ["ISimulatorMgr.requestApkUrl", ["com.a", true, 0, 1]],
            ["IMyGame.performGameAction", [{"packageName":"com.a","apkUrl":"https://apk.example/com.a.apk"}]],
            ["IMyGame.recordShareId", [["com.a","1"]]],
            ["IMyGame.addGameDetail", [{"packageName":"com.a"}]],
            ["IStrategy.recordPlayChoice", ["","com.a",1,5]]])");
    QTest::newRow("install or play without data")
        << R"({"event":"installOrPlayAppforVm","data":[1,2]})"
        << QVariant() << parseArray(R"([
            ["ISimulatorMgr.requestApkUrl", ["", true, 0, 1]],
            ["IMyGame.performGameAction", [{"packageName":"","instance":"","apkUrl":""}]],
            ["IMyGame.recordShareId", [["","1"]]],
            ["IMyGame.addGameDetail", [{"packageName":""}]],
            ["IStrategy.recordPlayChoice", ["","",1,5]]])");
    QTest::newRow("cloud game")
        << R"({"event":"openCloudGame","ga":{"banner_location":"cloud_row"},
               "data":{"package_name":"com.a","instance":"vm1","shareId":"s2","cloud_supported":true,
                       "cloud_app_url":"https://cloud.example/a"}})"
        << QVariant() << parseArray(R"([
            ["IMyGame.performGameAction", [{"packageName":"com.a","instance":"vm1","apkUrl":"",
                "gaBannerLocation":"cloud_row","cloudAppUrl":"https://cloud.example/a"}]],
            ["IMyGame.recordShareId", [["com.a","s2"]]],
            ["IMyGame.addGameDetail", [{"packageName":"com.a","gaBannerLocation":"cloud_row",
                "cloudAppUrl":"https://cloud.example/a"}]],
            ["IStrategy.recordPlayChoice", ["","com.a",2,5]]])");

    const char* const steamRecord = R"({"reserved2":0,"reserved3":false,"event":6,"reserved5":0,"gameKind":3,
                                        "reserved7":0,"appId":"%1","bannerLocation":"%2"})";
    const auto steamCalls = [steamRecord](const QString& appId, const QString& banner, const QString& url) {
        return parseArray(QStringLiteral(R"([["IBuriedpoint.reportPlayEvent", [%1]], ["IMyGame.openSteamGame", ["%2"]]])")
                              .arg(QString::fromLatin1(steamRecord).arg(appId, banner), url)
                              .toUtf8());
    };
    QTest::newRow("steam game")
        << R"({"event":"openStreamGame","ga":{"banner_location":"steam_row"},
               "data":{"steam_appp_url":"https://store.example/app/570"}})"
        << QVariant() << steamCalls("570", "steam_row", "https://store.example/app/570");
    QTest::newRow("steam address ending in a slash")
        << R"({"event":"openStreamGame","data":{"steam_appp_url":"https://store.example/app/570/"}})"
        << QVariant() << steamCalls("", "", "https://store.example/app/570/");
    QTest::newRow("steam game without data")
        << R"({"event":"openStreamGame"})" << QVariant() << steamCalls("", "", "");

    QTest::newRow("search results")
        << R"({"event":"pushRealSearchResult","data":[
                5,
                {"is_promoted_app":true,"game_name":"Promo","package_name":"com.p"},
                {"is_promoted_app":false,"game_name":"Gamma","package_name":"com.g"},
                "text",
                {"game_name":"Delta","steam_supported":true}]})"
        << QVariant(QVariantMap{{"origin", "toolbar"}}) << parseArray(R"([
            ["IMainWindow.pushRealSearchResults", [
                [{"gameName":"Gamma","packageName":"com.g","steamSupported":false},
                 {"gameName":"Delta","packageName":"","steamSupported":true}],
                {"origin":"toolbar"}]]])");
    QTest::newRow("search results not an array")
        << R"({"event":"pushRealSearchResult","data":{"game_name":"Gamma"}})"
        << QVariant("query-7") << parseArray(R"([["IMainWindow.pushRealSearchResults", [[], "query-7"]]])");
}

void GameActionsTest::commands()
{
    QFETCH(QString, command);
    QFETCH(QVariant, searchContext);
    QFETCH(QJsonArray, calls);
    if (searchContext.isValid()) {
        m_harness->vornik()->realSearch("query", searchContext);
        m_harness->log()->clear();
    }

    QCOMPARE(sendCommand(command), QJsonObject());
    const QJsonArray actual = hostCalls(m_harness->log());
    QCOMPARE(text(projection(actual, calls).toArray()), text(calls));
}

void GameActionsTest::searchContextIsKept()
{
    m_harness->vornik()->realSearch("query", QVariant("kept"));
    m_harness->log()->clear();
    sendCommand(R"({"event":"pushRealSearchResult","data":[]})");
    evaluate(m_harness->page(), "window.received = []; true");
    sendCommand(R"({"event":"pushRealSearchResult","data":[]})");
    QCOMPARE(text(hostCalls(m_harness->log())), text(parseArray(R"([
        ["IMainWindow.pushRealSearchResults", [[], "kept"]],
        ["IMainWindow.pushRealSearchResults", [[], "kept"]]])")));
}

VORNIK_TEST_MAIN(GameActionsTest)
#include "tst_gameactions.moc"
