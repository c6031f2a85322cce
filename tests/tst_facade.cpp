// The feature interface as the host drives it: what each operation tells the page, what it asks of
// the host, and what it hands back.

#include "hostcalllog.h"
#include "hostprofile.h"
#include "ifiledownhandle.h"
#include "ivornik.h"
#include "modedgame.h"
#include "pagescript.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinmainwindow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEngineView>
#include <QtTest>

#include "testmain.h"

namespace {

QJsonArray parseArray(const char* json)
{
    return QJsonDocument::fromJson(json).array();
}

} // namespace

class FacadeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void operations_data();
    void operations();
    void routeToPageAnswersAsTheRouter();
    void emptyTextIsOneEmptyString();
    void modedGameListIsTheListItself();
    void setViewsVisibleLeavesOwnPage();

private:
    // Sends a marker after whatever is queued and returns what the page received before it, each
    // message without its delivery stamp.
    QJsonArray messagesUntilMarker();

    std::unique_ptr<PluginHarness> m_harness;
};

void FacadeTest::initTestCase()
{
    HostProfile profile = PluginHarness::testProfile();
    profile.instances = {{"vm1", "Main", "nougat64", {"com.b", "com.a"}}, {"vm2", "Second", "pie64", {"com.a"}}};
    m_harness = std::make_unique<PluginHarness>(profile);
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->showPage());

    // Whenever the host is asked to show a page, the page hears of it next, so the order of the
    // page message and the host call shows in what the page receives.
    IVornik* vornik = m_harness->vornik();
    connect(m_harness->log(), &HostCallLog::recorded, this, [vornik](const QJsonObject& entry) {
        if (entry.value("iface").toString() == "IMyGame" && entry.value("op").toString() == "showPage")
            vornik->sendToPage(8, "hostShowPage", QJsonObject{{"args", entry.value("args")}});
    });
}

void FacadeTest::cleanupTestCase()
{
    m_harness.reset();
}

void FacadeTest::init()
{
    messagesUntilMarker();
    evaluate(m_harness->page(), "window.received = []; true");
    m_harness->host()->mainWindow()->setCurrentPage(8);
    m_harness->log()->clear();
}

QJsonArray FacadeTest::messagesUntilMarker()
{
    m_harness->vornik()->sendToPage(8, "marker", QJsonObject());
    QJsonArray messages;
    const bool marked = QTest::qWaitFor(
        [&] {
            messages = receivedMessages(m_harness->page());
            return !messages.isEmpty() && messages.last().toObject().value("event") == "marker";
        },
        30000);
    if (!marked)
        qWarning("the marker never reached the page");
    QJsonArray before;
    for (int i = 0; i + 1 < messages.size(); ++i) {
        QJsonObject message = messages.at(i).toObject();
        message.remove("stamp");
        before.append(message);
    }
    return before;
}

void FacadeTest::operations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("frontPage");
    QTest::addColumn<QJsonArray>("messages");

    QTest::newRow("switchToGame") << "switchToGame" << 8 << parseArray(R"([
        {"event":"switchToVKGame","page":8,"data":{"package":"com.a","mod_id":"m1","from":"3"}},
        {"event":"hostShowPage","page":8,"data":{"args":[8]}}])");
    QTest::newRow("setupMod") << "setupMod" << 8 << parseArray(R"([
        {"event":"setupMod","page":8,"data":{"package":"com.a","mod_id":"m1","mod_name":"Turbo"}},
        {"event":"hostShowPage","page":8,"data":{"args":[8]}}])");
    QTest::newRow("languageChanged") << "languageChanged" << 8 << parseArray(R"([
        {"event":"updateLanguage","page":8,"data":{"language":"fr","defaultLanguage":"en"}}])");
    QTest::newRow("updateOneButtonConfig") << "updateOneButtonConfig" << 8 << parseArray(R"([
        {"event":"updateUserConfig","page":8,"data":{"one_button_config":2}}])");
    QTest::newRow("pushInstalledApps") << "pushInstalledApps" << 8 << parseArray(R"([
        {"event":"updateInstalledAppsNotification","page":8,
         "data":{"action":"all","apps":[{"package_name":"com.a"},{"package_name":"com.b"}]}}])");
    QTest::newRow("realSearch") << "realSearch" << 8 << parseArray(R"([
        {"event":"clientRealSearch","page":8,"data":{"query":"race"}}])");
    QTest::newRow("gotoSearch") << "gotoSearch" << 8 << parseArray(R"([
        {"event":"clientGotoSearch","page":8,"data":{"query":"puzzle"}}])");
    QTest::newRow("gotoSearch, host shows home and own page") << "gotoSearch" << 9 << parseArray(R"([
        {"event":"clientGotoSearch","page":9,"data":{"query":"puzzle"}}])");
    QTest::newRow("realSearch, host shows home") << "realSearch" << 1 << QJsonArray();
    QTest::newRow("sendToPage") << "sendToPage" << 8 << parseArray(R"([
        {"event":"custom","page":8,"data":{"k":"v"}}])");
}

void FacadeTest::operations()
{
    QFETCH(QString, operation);
    QFETCH(int, frontPage);
    QFETCH(QJsonArray, messages);
    m_harness->host()->mainWindow()->setCurrentPage(frontPage);

    IVornik* vornik = m_harness->vornik();
    if (operation == "switchToGame")
        vornik->switchToGame("com.a", "m1", 3);
    else if (operation == "setupMod")
        vornik->setupMod("com.a", "m1", "Turbo");
    else if (operation == "languageChanged")
        vornik->languageChanged("fr");
    else if (operation == "updateOneButtonConfig")
        vornik->updateOneButtonConfig(2);
    else if (operation == "pushInstalledApps")
        vornik->pushInstalledApps();
    else if (operation == "realSearch")
        vornik->realSearch("race", QVariant("toolbar"));
    else if (operation == "gotoSearch")
        vornik->gotoSearch("puzzle");
    else if (operation == "sendToPage")
        vornik->sendToPage(8, "custom", QJsonObject{{"k", "v"}});
    else
        QFAIL("unknown operation");

    QCOMPARE(messagesUntilMarker(), messages);
}

void FacadeTest::routeToPageAnswersAsTheRouter()
{
    IVornik* vornik = m_harness->vornik();
    // The router starts on the home page and answers whether it left a page other than its own.
    QCOMPARE(vornik->routeToPage(8, false), true);
    QCOMPARE(vornik->routeToPage(8, false), false);
    QCOMPARE(vornik->routeToPage(4, true), false);
    QCOMPARE(vornik->routeToPage(4, false), false);
    QCOMPARE(vornik->routeToPage(1, false), true);
}

void FacadeTest::emptyTextIsOneEmptyString()
{
    const QString& first = m_harness->vornik()->emptyText();
    const QString& second = m_harness->vornik()->emptyText();
    QCOMPARE(&first, &second);
    QVERIFY(first.isEmpty());
}

void FacadeTest::modedGameListIsTheListItself()
{
    ModedGameList* held = m_harness->vornik()->modedGameList();
    QVERIFY(held);
    auto* handle = static_cast<IFileDownHandle*>(m_harness->object()->qt_metacast("IFileDownHandle"));
    HttpDaoRequest reply;
    reply.name = QStringLiteral("GetModedGameList");
    reply.data = R"({"data":[{"id":"1","packageName":"com.held","name":"Held"}]})";
    handle->downloadFinished(reply);

    QTRY_COMPARE_WITH_TIMEOUT(held->size(), 1, 30000);
    QCOMPARE(held->first().packageName, QStringLiteral("com.held"));
    QCOMPARE(m_harness->vornik()->modedGameList(), held);
}

void FacadeTest::setViewsVisibleLeavesOwnPage()
{
    // The host's switch covers the home page only; the plug-in's own page keeps its state.
    auto* view = m_harness->container()->findChild<QWebEngineView*>();
    QVERIFY(view && view->isVisible());
    m_harness->vornik()->setViewsVisible(false);
    QVERIFY(view->isVisible());
}

VORNIK_TEST_MAIN(FacadeTest)
#include "tst_facade.moc"
