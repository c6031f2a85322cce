// bindHost: how the plug-in finds the host's plug-ins, and what it does when the host lacks one
// or all of them. The registry is process-wide and keeps whatever entries an earlier host set, so
// a host without any plug-in is tried in a child process of this executable, fresh.

#include "hostcalllog.h"
#include "hostrecords.h"
#include "iplugin.h"
#include "ivornik.h"
#include "kevent.h"
#include "language.h"
#include "logcapture.h"
#include "modedgame.h"
#include "pagecommand.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinplugin.h"
#include "standinpluginmanager.h"

#include <QApplication>
#include <QDesktopServices>
#include <QJsonArray>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <cstdio>

namespace {

const QStringList kLookupOrder = {
    "{91240a5d-8a30-46b6-b9db-40412ff98cc4}", "{f4101670-6e1d-4e94-83a4-2a8c81b0ea90}",
    "{d648d6aa-6bfa-42fb-a488-27c34bedd784}", "{1864879f-972e-4fde-913a-1b7b8e7a448d}",
    "{c16069d4-2677-4971-a0d4-cb915080ad6c}", "{243c31c1-2d9b-56cb-adac-def801894f8e}",
    "{92235871-54dd-40b0-a498-b813a284798e}", "{2aa56a0e-6afc-36ec-8308-9fc0e2a2d9e8}",
    "{7efbd8f1-de24-5ddc-83c5-24c0b1e0617e}", "{66fe8a25-dc02-4806-a68d-537ec7a2b626}",
};
const QUuid kMyGame(QStringLiteral("{92235871-54dd-40b0-a498-b813a284798e}"));
const QStringList kInterfaces = {
    "KVL.IAccount/1.0",    "KVL.IBrowser/1.0", "KVL.IBuriedpoint/1.0", "KVL.IVornik/1.0",       "KVL.IHttpDaoMgr/1.0",
    "KVL.IMainWindow/1.0", "KVL.IMyGame/1.0",  "KVL.ISetting/1.0",     "KVL.ISimulatorMgr/1.0", "KVL.IStrategy/1.0",
};
const char* const kNoPluginsChild = "--child-no-host-plugins";

QStringList lookups(HostCallLog* log)
{
    QStringList uuids;
    for (const QJsonValue& entry : log->entries("IPluginManager", "findPlugin"))
        uuids.append(entry.toObject().value("args").toArray().at(0).toString());
    return uuids;
}

} // namespace

class HostRegistryTest : public QObject
{
    Q_OBJECT
private slots:
    void lookupOrderAndDoubleFind();
    void nullManagerLeavesRegistry();
    void unknownPluginKeepsEarlierEntry();
    void missingInterface_data();
    void missingInterface();
    void hostWithoutAnyPlugin();
};

void HostRegistryTest::lookupOrderAndDoubleFind()
{
    PluginHarness harness;
    harness.host()->setAbsent(QUuid(kLookupOrder.at(2)), true);
    QVERIFY(harness.bind());

    QStringList expected;
    for (int i = 0; i < kLookupOrder.size(); ++i) {
        expected.append(kLookupOrder.at(i));
        if (i != 2)
            expected.append(kLookupOrder.at(i));
    }
    QCOMPARE(lookups(harness.log()), expected);
}

void HostRegistryTest::nullManagerLeavesRegistry()
{
    PluginHarness harness;
    QVERIFY(harness.bind());
    QCOMPARE(harness.plugin()->bindHost(nullptr, 0), false);
    harness.vornik()->switchToGame("com.example.game", "7", 3);
    QCOMPARE(harness.log()->lastArgs("IMyGame", "showPage"), QJsonArray{8});
}

void HostRegistryTest::unknownPluginKeepsEarlierEntry()
{
    PluginHarness first;
    QVERIFY(first.bind());

    // A second host that knows none of the plug-ins leaves every entry as the first set it.
    StandInHost empty(PluginHarness::testProfile());
    for (const QString& uuid : kLookupOrder)
        empty.setAbsent(QUuid(uuid), true);
    QVERIFY(first.plugin()->bindHost(empty.pluginManager(), 0));
    QCOMPARE(lookups(empty.log()), kLookupOrder);

    first.vornik()->switchToGame("com.example.game", "7", 3);
    QCOMPARE(first.log()->count("IMyGame", "showPage"), 1);
}

void HostRegistryTest::missingInterface_data()
{
    QTest::addColumn<bool>("nullObject");
    QTest::newRow("plug-in without object") << true;
    QTest::newRow("plug-in without the interface") << false;
}

void HostRegistryTest::missingInterface()
{
    QFETCH(bool, nullObject);
    PluginHarness harness;
    QVERIFY(harness.bind());

    // A loaded plug-in that answers to the game library's identifier but does not implement it.
    StandInPlugin wrong(kMyGame, QStringLiteral("IMyGame"), &harness.host()->profile(), nullptr, nullptr);
    if (nullObject)
        harness.host()->setNullObject(kMyGame, true);
    else
        harness.host()->registerPlugin(&wrong);
    QVERIFY(harness.bind());

    // The page message still goes out; the call through the missing entry is skipped, and the
    // missing interface is reported once per process at most.
    LogCapture capture;
    harness.vornik()->switchToGame("com.example.game", "7", 3);
    harness.vornik()->setupMod("com.example.game", "7", "Mod");
    QCOMPARE(harness.log()->count("IMyGame", "showPage"), 0);
    QVERIFY(capture.lines("host interface KVL.IMyGame/1.0 is not available").size() <= 1);

    // Binding to a host that has it again restores the entry.
    harness.host()->setNullObject(kMyGame, false);
    harness.host()->unregisterPlugin(kMyGame);
    StandInHost full(PluginHarness::testProfile());
    QVERIFY(harness.plugin()->bindHost(full.pluginManager(), 0));
    harness.vornik()->switchToGame("com.example.game", "7", 3);
    QCOMPARE(full.log()->count("IMyGame", "showPage"), 1);
}

void HostRegistryTest::hostWithoutAnyPlugin()
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kNoPluginsChild)});
    // Under QtTest's own five minutes for a test function, so a stuck child is reported as such.
    const bool finished = child.waitForFinished(240000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    const bool passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (!passed)
        std::fputs(qPrintable(output), stdout);
    QVERIFY2(passed, "the child's own report is above");
    // Every interface was asked for, and each absence named once in the whole run.
    for (const QString& iid : kInterfaces)
        QCOMPARE(output.count("host interface " + iid + " is not available"), 1);
}

// Runs in the child: a plug-in bound to a plug-in manager that knows none of the host's plug-ins.
// Whatever the host and the page ask still runs: what needs no host plug-in is done as ever,
// nothing reaches the host, and nothing waits for a host plug-in that is not there.
class NoHostPluginsTest : public QObject
{
    Q_OBJECT
public slots:
    // Stands in for the system's URL handler, so a shared link opens nothing outside the process.
    void open(const QUrl&) {}

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void operations_data();
    void operations();
    void pageCommands_data();
    void pageCommands();

private:
    // Performs the operation a row is named after; returns what it returned, as text.
    QString run(const QString& operation);
    QStringList pushes() { return pushesUntilMarker(m_harness->vornik(), m_harness->page()); }

    std::unique_ptr<PluginHarness> m_harness;
};

void NoHostPluginsTest::initTestCase()
{
    m_harness = std::make_unique<PluginHarness>();
    for (const QString& uuid : kLookupOrder)
        m_harness->host()->setAbsent(QUuid(uuid), true);
    QVERIFY(m_harness->bind());
    QCOMPARE(lookups(m_harness->log()), kLookupOrder);
    QVERIFY(m_harness->plugin()->bindLanguage());
    QVERIFY(m_harness->plugin()->bindAccount());
    QVERIFY(m_harness->showPage());
    // A waiting lookup that waited after all would fail here within a second, not after 30.
    m_harness->object()->setProperty("apkWaitTimeoutMs", 1000);
    QDesktopServices::setUrlHandler("https", this, "open");
}

void NoHostPluginsTest::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("https");
    m_harness.reset();
}

void NoHostPluginsTest::init()
{
    Language::instance()->setCurrentLanguage("en");
    m_harness->vornik()->routeToPage(1, true);
    pushes();
    m_harness->log()->clear();
}

QString NoHostPluginsTest::run(const QString& operation)
{
    IVornik* vornik = m_harness->vornik();
    QObject* plugin = m_harness->object();
    if (operation == "realSearch") {
        vornik->realSearch("chess", QString("context"));
    } else if (operation == "gotoSearch") {
        vornik->gotoSearch("chess");
    } else if (operation == "routeToPage") {
        return vornik->routeToPage(8, false) ? "true" : "false";
    } else if (operation == "pushInstalledApps") {
        vornik->pushInstalledApps();
    } else if (operation == "emptyText") {
        // One string for every call: the host may keep the reference.
        return &vornik->emptyText() == &vornik->emptyText() ? vornik->emptyText() : "a new string each call";
    } else if (operation == "switchToGame") {
        vornik->switchToGame("com.a", "m1", 3);
    } else if (operation == "setupMod") {
        vornik->setupMod("com.a", "m1", "Turbo");
    } else if (operation == "apkUrl, waiting") {
        // Were the call to wait for an answer nobody can give, this timer would fire inside its wait.
        bool waited = false;
        QObject scope;
        QTimer::singleShot(0, &scope, [&waited] { waited = true; });
        const QString url = vornik->apkUrl("com.a", true);
        return waited ? url + "(after a wait)" : url;
    } else if (operation == "moded game list to a listener") {
        // The host's HTTP service hands the list over; the host's browser would get the document
        // and the emulator manager the address look-ups, were they there.
        ListListener listener;
        vornik->addModedGameListListener(&listener);
        m_harness->deliver("GetModedGameList", R"({"data":[{"id":"1","packageName":"com.one","name":"One"}]})");
        if (!QTest::qWaitFor([&] { return listener.list != nullptr; }, 30000))
            return "no list event";
        if (listener.list != vornik->modedGameList())
            return "another list";
        QStringList games;
        for (const ModedGame& game : *listener.list)
            games.append(QStringList{game.id, game.packageName, game.name, game.apkUrl}.join(','));
        return games.join(';');
    } else if (operation == "isAvailable") {
        return vornik->isAvailable() ? "true" : "false";
    } else if (operation == "event: country code") {
        CountryCodeChangeEvent change("de");
        QCoreApplication::sendEvent(plugin, &change);
    } else if (operation == "event: play strategy") {
        QEvent change(static_cast<QEvent::Type>(KEvent::PlayGameStrategyChange));
        QCoreApplication::sendEvent(plugin, &change);
    } else if (operation == "event: account") {
        // The account service is among the missing, so nothing connects its signal; the change is
        // delivered to the slot the plug-in would have connected it to.
        ACCOUNTINFO info;
        info.email = "ann@example.com";
        info.userId = "u42";
        info.token = "tok-1";
        info.loggedIn = true;
        if (!QMetaObject::invokeMethod(plugin, "onChangeAccountInfo", Q_ARG(ACCOUNTINFO, info)))
            return "no account slot";
    } else {
        return "unknown operation " + operation;
    }
    return QString();
}

void NoHostPluginsTest::operations_data()
{
    // Each row's name is the operation run() performs: the host's IVornik calls that reach for a host
    // plug-in, then its events. Those that only pass a message to the page are tested with a host.
    QTest::addColumn<QStringList>("pushes");
    QTest::addColumn<QString>("result");

    // The searches go to the page the main window shows in front, which nobody can say.
    QTest::newRow("realSearch") << QStringList() << "";
    QTest::newRow("gotoSearch") << QStringList() << "";
    QTest::newRow("routeToPage") << QStringList{R"(onPageviewShow {"preview":"show"})"} << "true";
    QTest::newRow("pushInstalledApps") << QStringList{R"(updateInstalledAppsNotification {"action":"all","apps":[]})"}
                                       << "";
    QTest::newRow("emptyText") << QStringList() << "";
    // The page hears of the game although the host's game library cannot show it.
    QTest::newRow("switchToGame") << QStringList{R"(switchToVKGame {"from":"3","mod_id":"m1","package":"com.a"})"} << "";
    QTest::newRow("setupMod") << QStringList{R"(setupMod {"mod_id":"m1","mod_name":"Turbo","package":"com.a"})"} << "";
    QTest::newRow("apkUrl, waiting") << QStringList() << "";
    QTest::newRow("moded game list to a listener") << QStringList() << "1,com.one,One,";
    QTest::newRow("isAvailable") << QStringList() << "true";

    QTest::newRow("event: country code") << QStringList() << "";
    QTest::newRow("event: play strategy") << QStringList() << "";
    QTest::newRow("event: account")
        << QStringList{R"(updateUserToken {"accesstoken":"","email":"ann@example.com","refreshtoken":"","token":"tok-1",)"
                       R"("userid":"u42","xtoken":""})"}
        << "";
}

void NoHostPluginsTest::operations()
{
    QFETCH(QStringList, pushes);
    QFETCH(QString, result);

    QCOMPARE(run(QString::fromUtf8(QTest::currentDataTag())), result);
    QCOMPARE(this->pushes(), pushes);
    QCOMPARE(hostCalls(m_harness->log()), QStringList());
}

void NoHostPluginsTest::pageCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("received"); // pushes, then the reply's data

    const QStringList empty{"{}"};
    QTest::newRow("getInstalledApps") << R"({"event":"getInstalledApps"})" << QStringList{R"({"action":"all","apps":[]})"};
    QTest::newRow("getVmList") << R"({"event":"getVmList","data":{"packageName":"com.a","method":"play"}})" << empty;
    QTest::newRow("installOrPlayAppforVm")
        << R"({"event":"installOrPlayAppforVm","data":{"packageName":"com.a","instance":"0","shareId":"s"}})" << empty;
    QTest::newRow("openCloudGame") << R"({"event":"openCloudGame","data":{"packageName":"com.a"}})" << empty;
    QTest::newRow("pushRealSearchResult") << R"({"event":"pushRealSearchResult","data":[{"packageName":"com.a"}]})" << empty;
    QTest::newRow("callClientToLogin") << R"({"event":"callClientToLogin"})" << empty;
    QTest::newRow("getUserToken") << R"({"event":"getUserToken"})" << empty;
    QTest::newRow("refreshAccessToken") << R"({"event":"refreshAccessToken"})" << empty;
    QTest::newRow("getLanguage") << R"({"event":"getLanguage"})" << QStringList{R"({"defaultLanguage":"en","language":"en"})"};
    QTest::newRow("getHostConfig") << R"({"event":"getHostConfig"})" << empty;
    QTest::newRow("getClientConfig") << R"({"event":"getClientConfig"})" << empty;
    QTest::newRow("openStreamGame") << R"({"event":"openStreamGame","data":{"steam_appp_url":"https://s.test/app/42"}})"
                                    << empty;
    QTest::newRow("openClientLoading") << R"({"event":"openClientLoading"})" << empty;
    QTest::newRow("closeClientLoading") << R"({"event":"closeClientLoading"})" << empty;
    // The router is on the home page: the route is taken again without the main window.
    QTest::newRow("closeBootAnimation") << R"({"event":"closeBootAnimation"})"
                                        << QStringList{R"(onPageviewShow {"preview":"hide"})", "{}"};
    QTest::newRow("changeBannerBackgroundImage")
        << R"({"event":"changeBannerBackgroundImage","data":{"url":"https://b.test/i.png"}})" << empty;
    QTest::newRow("servierWorkerUpdateSuccess") << R"({"event":"servierWorkerUpdateSuccess"})" << empty;
    QTest::newRow("onSearchInGooglePlay") << R"({"event":"onSearchInGooglePlay","data":{"query":"chess"}})" << empty;
    QTest::newRow("openShare") << R"({"event":"openShare","data":{"url":"https://share.test/"}})" << empty;
    QTest::newRow("VKGameBack") << R"({"event":"VKGameBack","data":{"package":"com.a","mod_id":"m1"}})" << empty;
    QTest::newRow("postStats") << R"({"event":"postStats","data":{"table":"VornikModEvents","data":{"n":1}}})" << empty;
    QTest::newRow("getUserConfig") << R"({"event":"getUserConfig"})" << empty;
    QTest::newRow("postWebVersionInfo") << R"({"event":"postWebVersionInfo","data":{"web":"1"}})" << empty;
    QTest::newRow("onWebLogger") << R"({"event":"onWebLogger","data":"line"})" << empty;
}

void NoHostPluginsTest::pageCommands()
{
    QFETCH(QString, command);
    QFETCH(QStringList, received);

    // The reply last, by its data alone.
    QStringList messages = eventsAndData(roundTrip(m_harness->page(), command));
    if (!messages.isEmpty())
        messages.last() = messages.last().section(' ', 1);
    QCOMPARE(messages, received);
    QCOMPARE(hostCalls(m_harness->log()), QStringList());
}

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    QTEST_SET_MAIN_SOURCE_PATH
    if (argc > 1 && qstrcmp(argv[1], kNoPluginsChild) == 0) {
        NoHostPluginsTest test;
        return QTest::qExec(&test, QStringList{QString::fromLocal8Bit(argv[0]), "-maxwarnings", "0"});
    }
    HostRegistryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostregistry.moc"
