// What the host tells the plug-in: play strategy and country code events, language and account
// changes, and whether the feature is available at all. Availability is decided once per process,
// so its cases run in child processes of this same executable.

#include "hostcalllog.h"
#include "iplugin.h"
#include "ivornik.h"
#include "kevent.h"
#include "klauncher.h"
#include "language.h"
#include "pagescript.h"
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
const char* const kUnavailableHostChild = "--child-unavailable-host";

// Child: the feature switch as VORNIK_PROBE_SWITCH says ("true", "false" or unset), then asks
// twice, flipping the switch in between. Prints the locale country Qt sees and both answers.
int availabilityChild(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray setting = qgetenv("VORNIK_PROBE_SWITCH");
    if (!setting.isEmpty())
        KLauncher::instance()->setAppConfigValue(AppConfigVornikEnabled, setting == "true");
    QObject* object = PluginHarness::pluginInstance();
    IVornik* vornik = qobject_cast<IVornik*>(object);
    const bool first = vornik->isAvailable();
    KLauncher::instance()->setAppConfigValue(AppConfigVornikEnabled, setting != "true");
    const bool second = vornik->isAvailable();
    std::printf("country=%d available=%d%d\n", int(QLocale::system().country()), int(first), int(second));
    delete object;
    return 0;
}

// Child: a host whose feature switch is off binds the plug-in and reports a country code.
int unavailableHostChild(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    HostProfile profile = PluginHarness::testProfile();
    profile.appConfig.insert(AppConfigVornikEnabled, false);
    profile.appConfig.insert(AppConfigWebServiceHost, QStringLiteral("http://127.0.0.1:9"));
    int exitCode = 0;
    {
        PluginHarness harness(profile);
        if (!harness.bind())
            exitCode = 1;
        harness.plugin()->bindAccount();
        CountryCodeChangeEvent change(QStringLiteral("de"));
        QCoreApplication::sendEvent(harness.object(), &change);
        HostCallLog* log = harness.log();
        std::printf("available=%d signalSource=%d addSettingListener=%d sendRequest=%d\n",
                    int(harness.vornik()->isAvailable()), log->count("IAccount", "signalSource"),
                    log->count("ISetting", "addSettingListener"), log->count("IHttpDaoMgr", "sendRequest"));
    }
    return exitCode;
}

// Runs this executable as a child in the given locale environment; returns its output line.
QString runChild(const char* mode, const QStringList& environment)
{
    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    for (const QString& key : childEnvironment.keys()) {
        if (key == "LANG" || key == "LANGUAGE" || key.startsWith("LC_") || key == "VORNIK_PROBE_SWITCH")
            childEnvironment.remove(key);
    }
    for (const QString& assignment : environment)
        childEnvironment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));

    QProcess child;
    child.setProcessEnvironment(childEnvironment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode)});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return QStringLiteral("child failed: %1").arg(child.errorString());
    return QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
}

QJsonArray messagesNamed(QWebEnginePage* page, const QString& event)
{
    QJsonArray matching;
    for (const QJsonValue& message : receivedMessages(page)) {
        if (message.toObject().value("event") == event)
            matching.append(message);
    }
    return matching;
}

// Waits until the page has received a marker sent after everything queued so far.
bool pageSettled(PluginHarness* harness)
{
    harness->vornik()->sendToPage(8, "marker", QJsonObject());
    return QTest::qWaitFor([harness] { return !messagesNamed(harness->page(), "marker").isEmpty(); }, 30000);
}

QStringList languagesReceived(QWebEnginePage* page)
{
    QStringList codes;
    for (const QJsonValue& message : messagesNamed(page, "updateLanguage")) {
        const QJsonObject data = message.toObject().value("data").toObject();
        codes.append(data.value("language").toString() + '/' + data.value("defaultLanguage").toString());
    }
    return codes;
}

} // namespace

class HostEventsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void availability_data();
    void availability();
    void unavailableHostGetsNoRequestsAndNoAccount();
    void playStrategyChangePushesUserConfig();
    void countryCodeEvents_data();
    void countryCodeEvents();
    void languageFromForeignThread();
    void languageAfterPluginDestroyed();
    void accountChange_data();
    void accountChange();

private:
    std::unique_ptr<PluginHarness> m_harness;
};

void HostEventsTest::initTestCase()
{
    // The cases in this process need the feature on; that needs a locale outside the blocked region.
    PluginHarness harness;
    QVERIFY2(harness.vornik()->isAvailable(), "the feature is off for this process's locale; run with LANG=C.UTF-8");
}

void HostEventsTest::cleanup()
{
    m_harness.reset();
}

void HostEventsTest::availability_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("output"); // locale country as Qt reads it, then both answers

    QTest::newRow("switch on, United States") << QStringList{"VORNIK_PROBE_SWITCH=true", "LANG=en_US.UTF-8"}
                                              << "country=225 available=11";
    QTest::newRow("switch off") << QStringList{"VORNIK_PROBE_SWITCH=false", "LANG=en_US.UTF-8"}
                                << "country=225 available=00";
    QTest::newRow("switch not configured") << QStringList{"LANG=en_US.UTF-8"} << "country=225 available=00";
    QTest::newRow("system locale Japan")
        << QStringList{"VORNIK_PROBE_SWITCH=true", "LANG=ja_JP.UTF-8", "LC_ADDRESS=en_US.UTF-8"}
        << "country=108 available=00";
    QTest::newRow("home region JP from the address locale")
        << QStringList{"VORNIK_PROBE_SWITCH=true", "LANG=en_US.UTF-8", "LC_ADDRESS=ja_JP.UTF-8"}
        << "country=225 available=00";
    QTest::newRow("home region JP from LANG") << QStringList{"VORNIK_PROBE_SWITCH=true", "LANG=en_JP.UTF-8"}
                                              << "country=225 available=00";
    QTest::newRow("LC_ALL overrides both")
        << QStringList{"VORNIK_PROBE_SWITCH=true", "LC_ALL=en_US.UTF-8", "LANG=ja_JP.UTF-8", "LC_ADDRESS=ja_JP.UTF-8"}
        << "country=225 available=11";
    QTest::newRow("empty LC_ALL is not set")
        << QStringList{"VORNIK_PROBE_SWITCH=true", "LC_ALL=", "LANG=en_US.UTF-8", "LC_ADDRESS=ja_JP.UTF-8"}
        << "country=225 available=00";
}

void HostEventsTest::availability()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, output);
    QCOMPARE(runChild(kAvailabilityChild, environment), output);
}

void HostEventsTest::unavailableHostGetsNoRequestsAndNoAccount()
{
    QCOMPARE(runChild(kUnavailableHostChild, {"LANG=en_US.UTF-8"}),
             QStringLiteral("available=0 signalSource=0 addSettingListener=0 sendRequest=0"));
}

void HostEventsTest::playStrategyChangePushesUserConfig()
{
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->plugin()->bindAccount());
    QVERIFY(m_harness->showPage());
    QCOMPARE(m_harness->log()->count("ISetting", "addSettingListener"), 1);

    // The setting service posts the change to its listeners, the plug-in among them.
    m_harness->host()->setting()->changeOneButtonConfig(3);
    QTRY_COMPARE_WITH_TIMEOUT(messagesNamed(m_harness->page(), "updateUserConfig").size(), 1, 30000);
    QJsonObject message = messagesNamed(m_harness->page(), "updateUserConfig").at(0).toObject();
    QCOMPARE(message.value("page").toInt(), 8);
    QCOMPARE(message.value("data").toObject(), (QJsonObject{{"one_button_config", 3}}));
    QCOMPARE(m_harness->log()->count("ISetting", "oneButtonConfig"), 1);
}

void HostEventsTest::countryCodeEvents_data()
{
    QTest::addColumn<QStringList>("codes"); // "<plain>": an event of the type that is no country-code event
    QTest::addColumn<QStringList>("urls");
    const QString list = "http://127.0.0.1:9/api/game/list";
    QTest::newRow("same code twice") << QStringList{"de", "de"} << QStringList{list + "?country=de", list + "?country=de"};
    QTest::newRow("plain event between codes") << QStringList{"de", "<plain>", "fr"}
                                               << QStringList{list + "?country=de", list + "?country=fr"};
}

void HostEventsTest::countryCodeEvents()
{
    QFETCH(QStringList, codes);
    QFETCH(QStringList, urls);
    HostProfile profile = PluginHarness::testProfile();
    profile.appConfig.insert(AppConfigWebServiceHost, "http://127.0.0.1:9");
    m_harness = std::make_unique<PluginHarness>(profile);
    QVERIFY(m_harness->bind());

    for (const QString& code : codes) {
        if (code == "<plain>") {
            QEvent plain(static_cast<QEvent::Type>(KEvent::CountryCodeChange));
            QCoreApplication::sendEvent(m_harness->object(), &plain);
        } else {
            CountryCodeChangeEvent change(code);
            QCoreApplication::sendEvent(m_harness->object(), &change);
        }
    }
    QStringList sent;
    for (const QJsonValue& entry : m_harness->log()->entries("IHttpDaoMgr", "sendRequest"))
        sent.append(entry.toObject().value("args").toArray().at(0).toObject().value("url").toString());
    QCOMPARE(sent, urls);
}

void HostEventsTest::languageFromForeignThread()
{
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->plugin()->bindLanguage());
    QVERIFY(m_harness->showPage());

    std::thread host([] {
        for (const char* code : {"de", "fr", "es"})
            Language::instance()->setCurrentLanguage(QString::fromLatin1(code));
    });
    host.join();
    QVERIFY(pageSettled(m_harness.get()));
    QCOMPARE(languagesReceived(m_harness->page()), (QStringList{"de/en", "fr/en", "es/en"}));
}

void HostEventsTest::languageAfterPluginDestroyed()
{
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->plugin()->bindLanguage());
    QVERIFY(m_harness->showPage());

    // The host keeps changing the language on its own thread while the plug-in goes away.
    std::atomic<bool> stop{false};
    std::atomic<int> changes{0};
    std::thread host([&] {
        while (!stop) {
            Language::instance()->setCurrentLanguage(QStringLiteral("x%1").arg(changes++));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(languagesReceived(m_harness->page()).size() >= 5, 30000);
    m_harness->destroyPlugin();
    const int atDestruction = changes;
    const bool kept = QTest::qWaitFor([&] { return changes > atDestruction + 200; }, 30000);
    stop = true;
    host.join();
    QVERIFY(kept);
    QCoreApplication::processEvents();
    m_harness.reset();

    // A new plug-in that did not bind the language hears nothing of it, whatever the thread.
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->showPage());
    std::thread([] { Language::instance()->setCurrentLanguage(QStringLiteral("it")); }).join();
    Language::instance()->setCurrentLanguage(QStringLiteral("pt"));
    QVERIFY(pageSettled(m_harness.get()));
    QCOMPARE(languagesReceived(m_harness->page()), QStringList());
}

void HostEventsTest::accountChange_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("fromOtherThread");
    QTest::addColumn<QJsonObject>("token");
    QTest::addColumn<QJsonArray>("simulatorArgs");

    const QJsonObject signedIn{{"email", "ann@example.com"}, {"token", "tok-1"}, {"userid", "u42"},
                               {"xtoken", "xt-1"}, {"accesstoken", "at-1"}, {"refreshtoken", "rt-1"}};
    QTest::newRow("signed in") << true << false << signedIn << QJsonArray{"", "u42", ""};
    QTest::newRow("signed out") << false << false << QJsonObject() << QJsonArray{"", "", ""};
    QTest::newRow("signed in, told from another thread") << true << true << signedIn << QJsonArray{"", "u42", ""};
}

void HostEventsTest::accountChange()
{
    QFETCH(bool, loggedIn);
    QFETCH(bool, fromOtherThread);
    QFETCH(QJsonObject, token);
    QFETCH(QJsonArray, simulatorArgs);
    HostProfile profile = PluginHarness::testProfile();
    profile.appConfig.insert(AppConfigXToken, "xt-1");
    profile.appConfig.insert(AppConfigAccessToken, "at-1");
    profile.appConfig.insert(AppConfigRefreshToken, "rt-1");
    m_harness = std::make_unique<PluginHarness>(profile);
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->plugin()->bindAccount());
    QVERIFY(m_harness->showPage());

    ACCOUNTINFO info;
    info.name = "Ann";
    info.email = "ann@example.com";
    info.userId = "u42";
    info.token = "tok-1";
    info.loggedIn = loggedIn;
    StandInAccount* account = m_harness->host()->account();
    if (fromOtherThread)
        std::thread([account, info] { account->emitAccountChange(info); }).join();
    else
        account->emitAccountChange(info);

    QTRY_COMPARE_WITH_TIMEOUT(messagesNamed(m_harness->page(), "updateUserToken").size(), 1, 30000);
    const QJsonObject message = messagesNamed(m_harness->page(), "updateUserToken").at(0).toObject();
    QCOMPARE(message.value("page").toInt(), 8);
    QCOMPARE(message.value("data").toObject(), token);
    QCOMPARE(m_harness->log()->count("ISimulatorMgr", "accountUserChanged"), 1);
    QCOMPARE(m_harness->log()->lastArgs("ISimulatorMgr", "accountUserChanged"), simulatorArgs);
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], kAvailabilityChild) == 0)
        return availabilityChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], kUnavailableHostChild) == 0)
        return unavailableHostChild(argc, argv);

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    HostEventsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostevents.moc"
