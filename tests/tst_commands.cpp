// The page's command table as the page drives it: what each command asks of the host, what the
// page gets back, the page router and the search context, the account and configuration replies,
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

class CommandsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PluginHarness> m_harness;
    QWebEnginePage* m_page = nullptr;
    QList<QUrl> m_opened;

    QJsonArray send(const QString& commandText) { return roundTrip(m_page, commandText); }

    // Everything the page receives up to a no-op's reply, which comes after whatever came before.
    QStringList pushesSettled()
    {
        const QStringList received = eventsAndData(roundTrip(m_page, QJsonObject{{"event", "settle"}}));
        return received.mid(0, received.size() - 1);
    }

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
        profile.account.email = "ada@mail.test";
        profile.account.userId = "u-42";
        profile.account.token = "t-7";
        profile.appConfig.insert(AppConfigXToken, "x-1");
        profile.appConfig.insert(AppConfigAccessToken, "a-1");
        profile.appConfig.insert(AppConfigRefreshToken, "r-1");
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
        m_harness->host()->profile().account.loggedIn = true;
        m_harness->vornik()->routeToPage(1, true);
        pushesSettled();
        m_harness->log()->clear();
    }

    void cleanupTestCase() { m_harness.reset(); }

    void commandTable_data();
    void commandTable()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, received);
        QFETCH(QStringList, calls);

        // The reply last, by its data alone; compared as text, so 0 and "0" do not pass for each other.
        QStringList messages = eventsAndData(send(command));
        if (!messages.isEmpty())
            messages.last() = messages.last().section(' ', 1);
        QCOMPARE(messages, received);
        QCOMPARE(hostCalls(m_harness->log()), calls);
    }

    void userTokenSignedOut()
    {
        m_harness->host()->profile().account.loggedIn = false;
        QCOMPARE(replyData(send(R"({"event":"getUserToken"})")), QJsonObject());
    }

    void router_data();
    void router()
    {
        QFETCH(int, from);
        QFETCH(int, page);
        QFETCH(bool, force);
        QFETCH(bool, result);
        QFETCH(QStringList, pushes);

        IVornik* vornik = m_harness->vornik();
        vornik->routeToPage(from, true);
        pushesSettled();
        QCOMPARE(vornik->routeToPage(page, force), result);
        // The route name goes to the home, cloud and game center pages, which this plug-in never has.
        QCOMPARE(pushesSettled(), pushes);
        // The page routed to is now the current one: the same page again is refused without force,
        // and nothing is sent.
        QCOMPARE(vornik->routeToPage(page, false), false);
        QCOMPARE(pushesSettled(), QStringList());
    }

    void searches_data();
    void searches()
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
    QTest::addColumn<QStringList>("calls");

    const QStringList empty{"{}"};
    QTest::newRow("callClientToLogin") << R"({"event":"callClientToLogin"})" << empty << QStringList{"IMainWindow.showLogin[]"};
    QTest::newRow("refreshAccessToken") << R"({"event":"refreshAccessToken","data":{"x":1}})" << empty
                                        << QStringList{"IAccount.refreshAccessToken[]"};
    QTest::newRow("search in the store") << R"({"event":"onSearchInGooglePlay","data":{"query":"chess"}})" << empty
                                         << QStringList{R"(IMainWindow.searchInGooglePlay["chess"])"};
    QTest::newRow("search in the store, no data") << R"({"event":"onSearchInGooglePlay"})" << empty
                                                  << QStringList{R"(IMainWindow.searchInGooglePlay[""])"};
    // A mod_id that is there at all counts, even null.
    QTest::newRow("back, mod_id null") << R"({"event":"VKGameBack","data":{"package":"com.a.game","mod_id":null}})"
                                       << empty << QStringList{R"(IMyGame.modGameBack["com.a.game"])"};
    QTest::newRow("back, no mod_id") << R"({"event":"VKGameBack","data":{"package":"com.a.game"}})" << empty << QStringList();
    // currentPage is 1: the route to "home" goes to mask 7, which no page of this plug-in has.
    QTest::newRow("close boot animation") << R"({"event":"closeBootAnimation"})"
        << QStringList{R"(onPageviewShow {"preview":"hide"})", "{}"} << QStringList{"IMainWindow.finishBootAnimation[true]"};
    QTest::newRow("name in other case") << R"({"event":"CallClientToLogin"})" << empty << QStringList();

    QTest::newRow("user token") << R"({"event":"getUserToken"})"
        << QStringList{R"({"accesstoken":"a-1","email":"ada@mail.test","refreshtoken":"r-1","token":"t-7",)"
                       R"("userid":"u-42","xtoken":"x-1"})"}
        << QStringList{"IAccount.accountInfo[]"};
    QTest::newRow("language: the current code twice") << R"({"event":"getLanguage"})"
        << QStringList{R"({"defaultLanguage":"de","language":"de"})"} << QStringList();
    QTest::newRow("host map pairs") << R"({"event":"getHostConfig"})"
        << QStringList{R"({"alpha":"https://a.test","zeta":"https://z.test"})"} << QStringList();
    QTest::newRow("client config with the null uuid") << R"({"event":"getClientConfig"})"
        << QStringList{R"({"systemConfig":{"gpu":"none","ram":8},"uuid":"00000000-0000-0000-0000-000000000000",)"
                       R"("x_version":"5.21.0.1"})"}
        << QStringList{"ISimulatorMgr.clientVersion[]", "ISimulatorMgr.clientUuid[]", "IStrategy.systemConfig[]"};
    QTest::newRow("one-button setting as a number") << R"({"event":"getUserConfig"})"
        << QStringList{R"({"one_button_config":0})"} << QStringList{"ISetting.oneButtonConfig[]"};

    const auto stats = [](const char* data) { return QStringLiteral(R"({"event":"postStats","data":%1})").arg(data); };
    QTest::newRow("stats: mod events") << stats(R"({"table":"VornikModEvents","data":{"mod":"m1","n":2}})") << empty
                                       << QStringList{R"(IBuriedpoint.reportModEvents[{"mod":"m1","n":2}])"};
    QTest::newRow("stats: effects triggered") << stats(R"({"table":"VornikEffectsTriggered","data":{}})") << empty
                                              << QStringList{"IBuriedpoint.reportEffectsTriggered[{}]"};
    QTest::newRow("stats: upload effects") << stats(R"({"table":"VornikUploadEffects","data":{}})") << empty
                                           << QStringList{"IBuriedpoint.reportUploadEffects[{}]"};
    QTest::newRow("stats: active users") << stats(R"({"table":"VornikActiveUsers","data":{}})") << empty
                                         << QStringList{"IBuriedpoint.reportActiveUsers[{}]"};
    QTest::newRow("stats: record an array") << stats(R"({"table":"VornikModEvents","data":[{"mod":"m1"}]})") << empty
                                            << QStringList();
    QTest::newRow("stats: table in other case") << stats(R"({"table":"vornikModEvents","data":{}})") << empty
                                                << QStringList();
}

void CommandsTest::router_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("pushes");

    QTest::newRow("same page, forced") << 4 << 4 << true << true << QStringList{R"(onPageviewShow {"preview":"hide"})"};
    QTest::newRow("home to own page") << 1 << 8 << false << true << QStringList{R"(onPageviewShow {"preview":"show"})"};
    QTest::newRow("own page, forced") << 8 << 8 << true << false << QStringList{R"(onPageviewShow {"preview":"show"})"};
}

void CommandsTest::searches_data()
{
    QTest::addColumn<int>("frontPage");
    QTest::addColumn<bool>("real");
    QTest::addColumn<QStringList>("pushes");

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

VORNIK_TEST_MAIN(CommandsTest)
#include "tst_commands.moc"
