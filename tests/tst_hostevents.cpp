// What the host tells the plug-in: play strategy and country code events, language and account
// changes, and whether the feature is available at all. Availability is decided once per process,
// so its cases run in child processes of this same executable.

#include "hostcalllog.h"
#include "iplugin.h"
#include "ivornik.h"
#include "kevent.h"
#include "klauncher.h"
#include "language.h"
#include "pagecommand.h"
#include "pluginharness.h"
#include "standinaccount.h"
#include "standinhost.h"
#include "standinsetting.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const char* const kAvailabilityChild = "--child-availability";

// Child: a host with the feature switch as VORNIK_PROBE_SWITCH says binds the plug-in's account
// and reports the same country code twice, with an event of that type that is no country-code
// event (and carries no code) in between; then the switch is flipped and availability asked
// again. Prints the locale country Qt sees, both answers, and what the plug-in asked of the host.
int availabilityChild(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool on = qgetenv("VORNIK_PROBE_SWITCH") == "true";
    HostProfile profile = PluginHarness::testProfile();
    profile.appConfig.insert(AppConfigVornikEnabled, on);
    profile.appConfig.insert(AppConfigWebServiceHost, QStringLiteral("http://127.0.0.1:9"));
    PluginHarness harness(profile);
    if (!harness.bind() || !harness.plugin()->bindAccount())
        return 1;
    CountryCodeChangeEvent change(QStringLiteral("de"));
    QEvent plain(static_cast<QEvent::Type>(KEvent::CountryCodeChange));
    for (QEvent* event : {static_cast<QEvent*>(&change), &plain, static_cast<QEvent*>(&change)})
        QCoreApplication::sendEvent(harness.object(), event);
    const bool first = harness.vornik()->isAvailable();
    KLauncher::instance()->setAppConfigValue(AppConfigVornikEnabled, !on);
    const bool second = harness.vornik()->isAvailable();
    HostCallLog* log = harness.log();
    // The country by name: Qt 6 renumbered them.
    std::printf("country=%s available=%d%d account=%d setting=%d requests=%d\n",
                qPrintable(QLocale::countryToString(QLocale::system().country())),
                int(first), int(second), log->count("IAccount", "signalSource"),
                log->count("ISetting", "addSettingListener"), log->count("IHttpDaoMgr", "sendRequest"));
    return 0;
}

// Runs this executable as a child in the given locale environment; returns its output line.
QString runChild(const QStringList& environment)
{
    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    for (const QString& key : childEnvironment.keys()) {
        if (key == "LANG" || key == "LANGUAGE" || key.startsWith("LC_"))
            childEnvironment.remove(key);
    }
    for (const QString& assignment : environment)
        childEnvironment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    QProcess child;
    child.setProcessEnvironment(childEnvironment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kAvailabilityChild)});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return QStringLiteral("child failed: %1").arg(child.errorString());
    return QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
}

} // namespace

class HostEventsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_harness.reset(); }

    void availability_data();
    void availability();
    // These two share a page with the account bound: a page takes seconds to come up.
    void playStrategyChangePushesUserConfig();
    void accountChange_data();
    void accountChange();
    void languageFromForeignThreadAndAfterDestruction();

private:
    // A bound plug-in showing its page; with the account bound when asked.
    bool start(const HostProfile& profile = PluginHarness::testProfile(), bool account = false);

    std::unique_ptr<PluginHarness> m_harness;
};

void HostEventsTest::initTestCase()
{
    // The cases in this process need the feature on; that needs a locale outside the blocked region.
    HostProfile profile = PluginHarness::testProfile();
    profile.appConfig.insert(AppConfigXToken, "xt-1");
    profile.appConfig.insert(AppConfigAccessToken, "at-1");
    profile.appConfig.insert(AppConfigRefreshToken, "rt-1");
    QVERIFY(start(profile, true));
    QVERIFY2(m_harness->vornik()->isAvailable(), "the feature is off for this process's locale; run with LANG=C.UTF-8");
}

bool HostEventsTest::start(const HostProfile& profile, bool account)
{
    m_harness.reset();
    m_harness = std::make_unique<PluginHarness>(profile);
    return m_harness->bind() && (!account || m_harness->plugin()->bindAccount()) && m_harness->showPage();
}

void HostEventsTest::availability_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("output"); // locale country as Qt reads it, both answers, host calls

    const QString on = "VORNIK_PROBE_SWITCH=true";
    const QString unavailable = "available=00 account=0 setting=0 requests=0";
    const QString us = "country=United States ";
    QTest::newRow("switch on, United States") << QStringList{on, "LANG=en_US.UTF-8"}
                                              << us + "available=11 account=1 setting=1 requests=2";
    QTest::newRow("switch off") << QStringList{"VORNIK_PROBE_SWITCH=false", "LANG=en_US.UTF-8"}
                                << us + unavailable;
    QTest::newRow("system locale Japan") << QStringList{on, "LANG=ja_JP.UTF-8", "LC_ADDRESS=en_US.UTF-8"}
                                         << "country=Japan " + unavailable;
    QTest::newRow("home region JP from LANG") << QStringList{on, "LANG=en_JP.UTF-8"} << us + unavailable;
    // The address locale wins over LANG, and an empty LC_ALL counts as not set.
    QTest::newRow("home region JP from the address locale")
        << QStringList{on, "LC_ALL=", "LANG=en_US.UTF-8", "LC_ADDRESS=ja_JP.UTF-8"} << us + unavailable;
    QTest::newRow("LC_ALL overrides both")
        << QStringList{on, "LC_ALL=en_US.UTF-8", "LANG=ja_JP.UTF-8", "LC_ADDRESS=ja_JP.UTF-8"}
        << us + "available=11 account=1 setting=1 requests=2";
}

void HostEventsTest::availability()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, output);
    QCOMPARE(runChild(environment), output);
}

void HostEventsTest::playStrategyChangePushesUserConfig()
{
    // The setting service posts the change to its listeners, the plug-in among them.
    m_harness->host()->setting()->changeOneButtonConfig(3);
    QTRY_COMPARE_WITH_TIMEOUT(eventsAndData(receivedMessages(m_harness->page())),
                              QStringList{R"(updateUserConfig {"one_button_config":3})"}, 30000);
}

void HostEventsTest::languageFromForeignThreadAndAfterDestruction()
{
    QVERIFY(start());
    QVERIFY(m_harness->plugin()->bindLanguage());

    // The host keeps changing the language on its own thread while the plug-in goes away.
    std::atomic<bool> stop{false};
    std::atomic<int> changes{0};
    std::thread host([&] {
        while (!stop) {
            Language::instance()->setCurrentLanguage(QStringLiteral("x%1").arg(changes++));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QStringList received;
    QTRY_VERIFY_WITH_TIMEOUT((received = eventsAndData(receivedMessages(m_harness->page()))).size() >= 5, 30000);
    m_harness->destroyPlugin();
    const int atDestruction = changes;
    const bool kept = QTest::qWaitFor([&] { return changes > atDestruction + 200; }, 30000);
    stop = true;
    host.join();
    QVERIFY(kept);
    // Each change reached the page once, in the order it was made.
    for (int i = 0; i < received.size(); ++i)
        QCOMPARE(received.at(i), QStringLiteral(R"(updateLanguage {"defaultLanguage":"en","language":"x%1"})").arg(i));
    QCoreApplication::processEvents();

    // A new plug-in that did not bind the language hears nothing of it, whatever the thread.
    QVERIFY(start());
    std::thread([] { Language::instance()->setCurrentLanguage(QStringLiteral("it")); }).join();
    Language::instance()->setCurrentLanguage(QStringLiteral("pt"));
    m_harness->vornik()->sendToPage(8, "marker", QJsonObject());
    QTRY_COMPARE_WITH_TIMEOUT(eventsAndData(receivedMessages(m_harness->page())), QStringList{"marker {}"}, 30000);
}

void HostEventsTest::accountChange_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QJsonObject>("token");
    QTest::addColumn<QJsonArray>("simulatorArgs");
    QTest::addColumn<bool>("fromOwnThread"); // the account service emits on a thread of its own
    const QJsonObject signedIn{{"email", "ann@example.com"}, {"token", "tok-1"}, {"userid", "u42"},
                               {"xtoken", "xt-1"},           {"accesstoken", "at-1"}, {"refreshtoken", "rt-1"}};
    QTest::newRow("signed in") << true << signedIn << QJsonArray{"", "u42", ""} << false;
    QTest::newRow("signed out") << false << QJsonObject() << QJsonArray{"", "", ""} << false;
    QTest::newRow("signed in, from the service's thread") << true << signedIn << QJsonArray{"", "u42", ""} << true;
}

void HostEventsTest::accountChange()
{
    QFETCH(bool, loggedIn);
    QFETCH(QJsonObject, token);
    QFETCH(QJsonArray, simulatorArgs);
    QFETCH(bool, fromOwnThread);
    evaluate(m_harness->page(), "window.received = []; true");
    m_harness->log()->clear();

    ACCOUNTINFO info;
    info.email = "ann@example.com";
    info.userId = "u42";
    info.token = "tok-1";
    info.loggedIn = loggedIn;
    if (fromOwnThread)
        std::thread([this, info] { m_harness->host()->account()->emitAccountChange(info); }).join();
    else
        m_harness->host()->account()->emitAccountChange(info);

    QTRY_COMPARE_WITH_TIMEOUT(eventsAndData(receivedMessages(m_harness->page())),
                              QStringList{"updateUserToken " + compactJson(token)}, 30000);
    QCOMPARE(m_harness->log()->count("ISimulatorMgr", "accountUserChanged"), 1);
    QCOMPARE(m_harness->log()->lastArgs("ISimulatorMgr", "accountUserChanged"), simulatorArgs);
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], kAvailabilityChild) == 0)
        return availabilityChild(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    HostEventsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostevents.moc"
