// The page's command table as the page drives it: what each command asks of the host, what the
// page gets back, the page router, the search hand-offs, the account and configuration replies,
// and the statistics and log lines the page hands over.

#include "ivornik.h"
#include "klauncher.h"
#include "logcapture.h"
#include "pagecommand.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinmainwindow.h"
#include "waitloading.h"

#include <QDesktopServices>
#include <QWebEngineView>
#include <QtTest>

#include "testmain.h"

// Stands in for the system's URL handlers, so no test ever opens anything outside the process.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class CommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void commandTable_data();
    void commandTable();
    void router_data();
    void router();
    void searches_data();
    void searches();
    void latestSearchContextGoesWithResults();
    void clientLoading_data();
    void clientLoading();
    void serviceWorkerUpdateClearsWebCache();
    void openShare_data();
    void openShare();
    void userToken_data();
    void userToken();
    void configReplies_data();
    void configReplies();
    void postStats_data();
    void postStats();
    void pageLogLines_data();
    void pageLogLines();

private:
    QJsonArray send(const QString& commandText);
    // Everything the page receives up to a no-op's reply, which comes after whatever came before.
    QStringList pushesSettled();

    std::unique_ptr<PluginHarness> m_harness;
    QWebEnginePage* m_page = nullptr;
};

void CommandsTest::initTestCase()
{
    // One page for the whole suite: a page takes seconds to come up, and no test here reloads it.
    HostProfile profile = PluginHarness::testProfile();
    profile.language = "de";
    profile.hostMap = {{"zeta", "https://z.test"}, {"alpha", "https://a.test"}};
    profile.clientVersion = "5.21.0.1";
    profile.systemConfig = QJsonObject{{"gpu", "none"}, {"ram", 8}};
    m_harness = std::make_unique<PluginHarness>(profile);
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->showPage());
    m_page = m_harness->page();
}

void CommandsTest::init()
{
    m_harness->host()->mainWindow()->setCurrentPage(8);
    m_harness->host()->mainWindow()->setLoadingSpinnerSuppressed(false);
    m_harness->vornik()->routeToPage(1, true);
    pushesSettled();
    m_harness->log()->clear();
}

void CommandsTest::cleanupTestCase()
{
    m_harness.reset();
}

QJsonArray CommandsTest::send(const QString& commandText)
{
    return roundTrip(m_page, QJsonDocument::fromJson(commandText.toUtf8()).object());
}

QStringList CommandsTest::pushesSettled()
{
    QStringList pushes = eventsAndData(roundTrip(m_page, QJsonObject{{"event", "settle"}}));
    if (!pushes.isEmpty())
        pushes.removeLast();
    return pushes;
}

void CommandsTest::commandTable_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("pushes");

    QTest::newRow("callClientToLogin") << R"({"event":"callClientToLogin"})" << QJsonObject()
        << QStringList{"IMainWindow.showLogin[]"} << QStringList();
    QTest::newRow("refreshAccessToken") << R"({"event":"refreshAccessToken","data":{"x":1}})" << QJsonObject()
        << QStringList{"IAccount.refreshAccessToken[]"} << QStringList();
    QTest::newRow("banner background")
        << R"({"event":"changeBannerBackgroundImage","data":{"url":"https://cdn.test/bg.png","direction":1}})"
        << QJsonObject()
        << QStringList{R"(IMainWindow.changeBannerBackground[{"direction":1,"reserved2":"","reserved4":0,"reserved5":0,"url":"https://cdn.test/bg.png"}])"}
        << QStringList();
    QTest::newRow("banner background, data an array")
        << R"({"event":"changeBannerBackgroundImage","data":[{"url":"https://cdn.test/bg.png"}]})" << QJsonObject()
        << QStringList{R"(IMainWindow.changeBannerBackground[{"direction":0,"reserved2":"","reserved4":0,"reserved5":0,"url":""}])"}
        << QStringList();
    QTest::newRow("search in the store") << R"({"event":"onSearchInGooglePlay","data":{"query":"chess"}})"
        << QJsonObject() << QStringList{R"(IMainWindow.searchInGooglePlay["chess"])"} << QStringList();
    QTest::newRow("search in the store, no data") << R"({"event":"onSearchInGooglePlay"})"
        << QJsonObject() << QStringList{R"(IMainWindow.searchInGooglePlay[""])"} << QStringList();
    QTest::newRow("back from a mod game") << R"({"event":"VKGameBack","data":{"package":"com.a.game","mod_id":"m1"}})"
        << QJsonObject() << QStringList{R"(IMyGame.modGameBack["com.a.game"])"} << QStringList();
    QTest::newRow("back, mod_id null") << R"({"event":"VKGameBack","data":{"package":"com.a.game","mod_id":null}})"
        << QJsonObject() << QStringList{R"(IMyGame.modGameBack["com.a.game"])"} << QStringList();
    QTest::newRow("back, no mod_id") << R"({"event":"VKGameBack","data":{"package":"com.a.game"}})"
        << QJsonObject() << QStringList() << QStringList();
    // currentPage is 1: the route to "home" goes to mask 7, which no page of this plug-in has.
    QTest::newRow("close boot animation") << R"({"event":"closeBootAnimation"})" << QJsonObject()
        << QStringList{"IMainWindow.finishBootAnimation[true]"} << QStringList{R"(onPageviewShow {"preview":"hide"})"};
    QTest::newRow("name in other case") << R"({"event":"CallClientToLogin"})" << QJsonObject()
        << QStringList() << QStringList();
    QTest::newRow("name with a trailing blank") << R"({"event":"callClientToLogin "})" << QJsonObject()
        << QStringList() << QStringList();
}

void CommandsTest::commandTable()
{
    QFETCH(QString, command);
    QFETCH(QJsonObject, reply);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, pushes);

    QStringList received = eventsAndData(send(command));
    QVERIFY(!received.isEmpty());
    const QString answer = received.takeLast();
    QCOMPARE(answer.section(' ', 1), compactJson(reply));
    QCOMPARE(received, pushes);
    QCOMPARE(hostCalls(m_harness->log()), calls);
}

void CommandsTest::router_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("pushes");
    QTest::addColumn<int>("current");

    const QStringList hide{R"(onPageviewShow {"preview":"hide"})"};
    const QStringList show{R"(onPageviewShow {"preview":"show"})"};
    QTest::newRow("same page") << 4 << 4 << false << false << QStringList() << 4;
    QTest::newRow("same page, forced") << 4 << 4 << true << true << hide << 4;
    QTest::newRow("home to own page") << 1 << 8 << false << true << show << 8;
    QTest::newRow("own page to home") << 8 << 1 << false << false << hide << 1;
    QTest::newRow("own page, forced") << 8 << 8 << true << false << show << 8;
    QTest::newRow("cloud game to game center") << 2 << 4 << false << true << hide << 4;
    QTest::newRow("unknown page") << 1 << 16 << false << true << hide << 16;
}

void CommandsTest::router()
{
    QFETCH(int, from);
    QFETCH(int, page);
    QFETCH(bool, force);
    QFETCH(bool, result);
    QFETCH(QStringList, pushes);
    QFETCH(int, current);

    IVornik* vornik = m_harness->vornik();
    vornik->routeToPage(from, true);
    pushesSettled();

    QCOMPARE(vornik->routeToPage(page, force), result);
    // The route name goes to the home, cloud and game center pages, which this plug-in never has.
    QCOMPARE(pushesSettled(), pushes);
    // Only the page routed to last is refused without force.
    QCOMPARE(vornik->routeToPage(current, false), false);
    QCOMPARE(pushesSettled(), QStringList());
}

void CommandsTest::searches_data()
{
    QTest::addColumn<int>("frontPage");
    QTest::addColumn<bool>("real");
    QTest::addColumn<QStringList>("pushes");

    QTest::newRow("go to search, own page in front") << 8 << false << QStringList{R"(clientGotoSearch {"query":"chess"})"};
    QTest::newRow("live search, own page in front") << 8 << true << QStringList{R"(clientRealSearch {"query":"chess"})"};
    QTest::newRow("live search, own page among others") << 9 << true << QStringList{R"(clientRealSearch {"query":"chess"})"};
    QTest::newRow("live search, home in front") << 1 << true << QStringList();
}

void CommandsTest::searches()
{
    QFETCH(int, frontPage);
    QFETCH(bool, real);
    QFETCH(QStringList, pushes);

    m_harness->host()->mainWindow()->setCurrentPage(frontPage);
    if (real)
        m_harness->vornik()->realSearch("chess", QVariant());
    else
        m_harness->vornik()->gotoSearch("chess");
    QCOMPARE(pushesSettled(), pushes);
    QCOMPARE(hostCalls(m_harness->log()), QStringList{"IMainWindow.currentPage[]"});
}

void CommandsTest::latestSearchContextGoesWithResults()
{
    m_harness->vornik()->realSearch("chess", QString("first"));
    m_harness->vornik()->realSearch("go", 42);
    send(R"({"event":"pushRealSearchResult","data":[]})");
    QCOMPARE(compactJson(m_harness->log()->lastArgs("IMainWindow", "pushRealSearchResults")), QString("[[],42]"));
}

void CommandsTest::clientLoading_data()
{
    QTest::addColumn<bool>("suppressed");
    QTest::newRow("spinner allowed") << false;
    QTest::newRow("spinner suppressed by the host") << true;
}

void CommandsTest::clientLoading()
{
    QFETCH(bool, suppressed);
    auto* view = m_harness->container()->findChild<QWebEngineView*>();
    auto* spinner = m_harness->container()->findChild<Waitloading*>();
    QVERIFY(view->isVisible());
    QVERIFY(!spinner->isSpinning());
    m_harness->host()->mainWindow()->setLoadingSpinnerSuppressed(suppressed);

    roundTrip(m_page, QJsonObject{{"event", "openClientLoading"}});
    QCOMPARE(spinner->isSpinning(), !suppressed);
    QVERIFY(!view->isVisible());
    QCOMPARE(hostCalls(m_harness->log()), QStringList{"IMainWindow.loadingSpinnerSuppressed[]"});

    roundTrip(m_page, QJsonObject{{"event", "closeClientLoading"}});
    QVERIFY(!spinner->isSpinning());
    QVERIFY(view->isVisible());
    QCOMPARE(m_harness->log()->entries().size(), 1);
}

void CommandsTest::serviceWorkerUpdateClearsWebCache()
{
    KLauncher::instance()->setClearWebCache(false);
    LogCapture log;
    roundTrip(m_page, QJsonObject{{"event", "servierWorkerUpdateSuccess"}});
    QVERIFY(KLauncher::instance()->clearWebCache());
    QCOMPARE(log.lines("Web: "), QStringList{"Web: servierWorkerUpdateSuccess"});
    QCOMPARE(hostCalls(m_harness->log()), QStringList());
}

void CommandsTest::openShare_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("opened");

    QTest::newRow("https") << R"({"url":"https://share.test/p?id=1"})" << "https://share.test/p?id=1";
    QTest::newRow("http") << R"({"url":"http://share.test/p"})" << "http://share.test/p";
    QTest::newRow("scheme in capitals") << R"({"url":"HTTPS://share.test/"})" << "https://share.test/";
    QTest::newRow("local file") << R"({"url":"file:///etc/passwd"})" << "";
    QTest::newRow("other scheme") << R"({"url":"vornik-run:calc"})" << "";
    QTest::newRow("no scheme") << R"({"url":"share.test/p"})" << "";
    QTest::newRow("data a string") << R"("https://share.test/")" << "";
}

void CommandsTest::openShare()
{
    QFETCH(QString, data);
    QFETCH(QString, opened);

    // Every scheme of the table goes to the sink, so a wrongly accepted address opens nothing real.
    UrlSink sink;
    const QStringList schemes{"https", "http", "file", "vornik-run", ""};
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &sink, "open");
    LogCapture log;
    const QString command = QStringLiteral(R"({"event":"openShare","data":%1})").arg(data);
    send(command);
    for (const QString& scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);

    QCOMPARE(sink.opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
    QCOMPARE(log.lines("openShare: refused").size(), opened.isEmpty() ? 1 : 0);
}

void CommandsTest::userToken_data()
{
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QString>("xtoken");
    QTest::addColumn<QJsonObject>("reply");

    QTest::newRow("signed in")
        << true << "x-1"
        << QJsonObject{{"email", "ada@mail.test"}, {"token", "t-7"}, {"userid", "u-42"},
                       {"xtoken", "x-1"}, {"accesstoken", "a-1"}, {"refreshtoken", "r-1"}};
    QTest::newRow("signed in, token changed since")
        << true << "x-2"
        << QJsonObject{{"email", "ada@mail.test"}, {"token", "t-7"}, {"userid", "u-42"},
                       {"xtoken", "x-2"}, {"accesstoken", "a-1"}, {"refreshtoken", "r-1"}};
    QTest::newRow("signed out") << false << "x-1" << QJsonObject();
}

void CommandsTest::userToken()
{
    QFETCH(bool, signedIn);
    QFETCH(QString, xtoken);
    QFETCH(QJsonObject, reply);

    ACCOUNTINFO& account = m_harness->host()->profile().account;
    account = ACCOUNTINFO();
    account.name = "Ada";
    account.email = "ada@mail.test";
    account.userId = "u-42";
    account.token = "t-7";
    account.loggedIn = signedIn;
    KLauncher* launcher = KLauncher::instance();
    launcher->setAppConfigValue(AppConfigXToken, xtoken);
    launcher->setAppConfigValue(AppConfigAccessToken, "a-1");
    launcher->setAppConfigValue(AppConfigRefreshToken, "r-1");

    const QJsonObject data = replyData(send(R"({"event":"getUserToken"})"));
    QCOMPARE(data, reply);
    QCOMPARE(data.keys().size(), reply.size());
    QCOMPARE(hostCalls(m_harness->log()), QStringList{"IAccount.accountInfo[]"});
}

void CommandsTest::configReplies_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("language: the current code twice")
        << "getLanguage" << QJsonObject{{"language", "de"}, {"defaultLanguage", "de"}} << QStringList();
    QTest::newRow("host map pairs")
        << "getHostConfig" << QJsonObject{{"alpha", "https://a.test"}, {"zeta", "https://z.test"}} << QStringList();
    QTest::newRow("client config with the null uuid")
        << "getClientConfig"
        << QJsonObject{{"x_version", "5.21.0.1"}, {"uuid", "00000000-0000-0000-0000-000000000000"},
                       {"systemConfig", QJsonObject{{"gpu", "none"}, {"ram", 8}}}}
        << QStringList{"ISimulatorMgr.clientVersion[]", "ISimulatorMgr.clientUuid[]", "IStrategy.systemConfig[]"};
    QTest::newRow("one-button setting as a number")
        << "getUserConfig" << QJsonObject{{"one_button_config", 0}} << QStringList{"ISetting.oneButtonConfig[]"};
}

void CommandsTest::configReplies()
{
    QFETCH(QString, event);
    QFETCH(QJsonObject, reply);
    QFETCH(QStringList, calls);

    const QJsonObject data = replyData(send(QString(R"({"event":"%1"})").arg(event)));
    // Compared as text as well: 0 and "0" must not pass for each other.
    QCOMPARE(compactJson(data), compactJson(reply));
    QCOMPARE(hostCalls(m_harness->log()), calls);
}

void CommandsTest::postStats_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("mod events") << R"({"table":"VornikModEvents","data":{"mod":"m1","n":2}})"
                                << QStringList{R"(IBuriedpoint.reportModEvents[{"mod":"m1","n":2}])"};
    QTest::newRow("effects triggered") << R"({"table":"VornikEffectsTriggered","data":{"e":[1,2]}})"
                                       << QStringList{R"(IBuriedpoint.reportEffectsTriggered[{"e":[1,2]}])"};
    QTest::newRow("upload effects") << R"({"table":"VornikUploadEffects","data":{"ok":true}})"
                                    << QStringList{R"(IBuriedpoint.reportUploadEffects[{"ok":true}])"};
    QTest::newRow("active users, empty record") << R"({"table":"VornikActiveUsers","data":{}})"
                                                << QStringList{"IBuriedpoint.reportActiveUsers[{}]"};
    QTest::newRow("record an array") << R"({"table":"VornikModEvents","data":[{"mod":"m1"}]})" << QStringList();
    QTest::newRow("record null") << R"({"table":"VornikModEvents","data":null})" << QStringList();
    QTest::newRow("no record") << R"({"table":"VornikModEvents"})" << QStringList();
    QTest::newRow("table in other case") << R"({"table":"vornikModEvents","data":{}})" << QStringList();
    QTest::newRow("unknown table") << R"({"table":"VornikOther","data":{}})" << QStringList();
    QTest::newRow("data an array") << R"([{"table":"VornikModEvents","data":{}}])" << QStringList();
}

void CommandsTest::postStats()
{
    QFETCH(QString, data);
    QFETCH(QStringList, calls);

    const QJsonArray messages = send(QString(R"({"event":"postStats","data":%1})").arg(data));
    QCOMPARE(replyData(messages), QJsonObject());
    QCOMPARE(hostCalls(m_harness->log()), calls);
}

void CommandsTest::pageLogLines_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("version report")
        << R"({"event":"postWebVersionInfo","callbackEvent":"v","data":{"web":"2.4.1"}})"
        << QStringList{"[postWebVersionInfo(VK)]:\r\n{\n    \"callbackEvent\": \"v\",\n    \"data\": {\n        \"web\": \"2.4.1\"\n"
                       "    },\n    \"event\": \"postWebVersionInfo\"\n}\n"};
    QTest::newRow("page log line")
        << R"({"event":"onWebLogger","callbackEvent":"l","data":"page says \"hi\"\n"})"
        << QStringList{R"("page says \"hi\"\n")"};
    QTest::newRow("page log line a number") << R"({"event":"onWebLogger","callbackEvent":"l","data":12})"
                                           << QStringList{R"("")"};
}

void CommandsTest::pageLogLines()
{
    QFETCH(QString, command);
    QFETCH(QStringList, lines);

    LogCapture log;
    QVERIFY(!send(command).isEmpty());
    QCOMPARE(log.lines(), lines);
}

VORNIK_TEST_MAIN(CommandsTest)
#include "tst_commands.moc"
