// The moded game list over real HTTP: what the plug-in asks the host's web service for when the
// host reports a country code, how it reads the answer, when it asks again, and whom it tells.

#include "hostcalllog.h"
#include "httpstub.h"
#include "ivornik.h"
#include "kevent.h"
#include "logcapture.h"
#include "modedgame.h"
#include "pluginharness.h"
#include "hosthttpservice.h"
#include "standinhost.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include "testmain.h"

namespace {

const QByteArray kOneGame = R"({"data":[{"id":"g1","packageName":"com.one","name":"One"}]})";

// Each record as [id, packageName, name, apkUrl].
QJsonArray records(const ModedGameList& list)
{
    QJsonArray rows;
    for (const ModedGame& game : list)
        rows.append(QJsonArray{game.id, game.packageName, game.name, game.apkUrl});
    return rows;
}

QStringList repeated(int times, const QString& text)
{
    return QVector<QString>(times, text).toList();
}

} // namespace

class ModedGameListTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void requestAndReply_data();
    void requestAndReply();
    void listenersAndHandOver();
    void retryAsksWithCurrentCodeAndDiesWithPlugin();
    void requestInFlightOnTheRegistrysOwnService();

private:
    void postCountryCode(const QString& code);
    int logCount(const QString& prefix) const { return m_log->lines(prefix).size(); }

    std::unique_ptr<HttpStub> m_stub;
    std::unique_ptr<PluginHarness> m_harness;
    std::unique_ptr<LogCapture> m_log;
};

void ModedGameListTest::init()
{
    m_stub = std::make_unique<HttpStub>();
    QVERIFY(!m_stub->baseUrl().isEmpty());
    HostProfile profile = PluginHarness::testProfile();
    profile.appConfig.insert(AppConfigWebServiceHost, m_stub->baseUrl());
    m_harness = std::make_unique<PluginHarness>(profile);
    QVERIFY(m_harness->bind());
    m_log = std::make_unique<LogCapture>();
}

void ModedGameListTest::cleanup()
{
    m_log.reset();
    m_harness.reset();
    m_stub.reset();
}

void ModedGameListTest::postCountryCode(const QString& code)
{
    QCoreApplication::postEvent(m_harness->object(), new CountryCodeChangeEvent(code));
}

void ModedGameListTest::requestAndReply_data()
{
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QJsonArray>("expected"); // [id, packageName, name, apkUrl] per record
    QTest::addColumn<int>("events");
    QTest::addColumn<QJsonObject>("document");
    QTest::addColumn<QString>("lastLine");

    const QByteArray mixed = R"({"data":[{"id":7,"packageName":"com.dup","name":"Seven"},
        {"id":"b2","packageName":"com.b"},{"id":"d3","packageName":"com.dup","name":"Again","extra":true},
        5,{"name":["not","text"]}],"total":5})";
    QTest::newRow("no country code; numbers, missing keys, duplicates, non-objects")
        << "" << "/api/game/list" << mixed
        << QJsonDocument::fromJson(R"([["","com.dup","Seven",""],["b2","com.b","",""],["d3","com.dup","Again",""],
                                       ["","","",""],["","","",""]])").array()
        << 1 << QJsonDocument::fromJson(mixed).object() << "[VK] Moded game list resovled finished with length of  5";
    QTest::newRow("country code de; empty data")
        << "de" << "/api/game/list?country=de" << QByteArray(R"({"data": []})") << QJsonArray() << 1
        << QJsonObject{{"data", QJsonArray()}} << "[VK] Moded game list resovled finished with length of  0";
    QTest::newRow("not JSON") << "de" << "/api/game/list?country=de" << QByteArray("<html>busy</html>")
                              << QJsonArray() << 0 << QJsonObject() << "[VK] Moded game list json parsed error with  5";
    QTest::newRow("a key repeated over the list")
        << "de" << "/api/game/list?country=de" << QByteArray(R"({"data":[{"id":"a","packageName":"com.a"}],"data":[]})")
        << QJsonArray() << 0 << QJsonObject() << "[VK] Moded game list repeats a key over a list or object; it is not read";
}

void ModedGameListTest::requestAndReply()
{
    QFETCH(QString, country);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(QJsonArray, expected);
    QFETCH(int, events);
    QFETCH(QJsonObject, document);
    QFETCH(QString, lastLine);
    ListListener listener;
    m_harness->vornik()->addModedGameListListener(&listener);
    // A list first, so that emptying it shows.
    m_harness->deliver("GetModedGameList", kOneGame);
    QTRY_COMPARE_WITH_TIMEOUT(listener.events, 1, 30000);
    m_log->clear();

    m_stub->enqueue(200, body);
    postCountryCode(country);
    QTRY_COMPARE_WITH_TIMEOUT(logCount("[VK] Moded game list resovled") + logCount("[VK] Moded game list json")
                                  + logCount("[VK] Moded game list repeats"),
                              1, 30000);
    QCoreApplication::sendPostedEvents();

    const QString url = m_stub->baseUrl() + path;
    const QJsonObject request = QJsonDocument::fromJson(
        QString(R"({"name":"GetModedGameList","savePath":"%1","url":"%2","extraText1":"123","extraText2":"123",
                    "extraInt1":0,"extraInt2":0,"extraInt3":0,"handle":true,"extraFlag":false,"extraLong1":0,
                    "extraLong2":0,"data":"","extraInt4":0,"extraMap":{},"extraData":"","extraInt5":0})")
            .arg(QStandardPaths::writableLocation(QStandardPaths::CacheLocation), url).toUtf8()).object();
    QCOMPARE(m_harness->log()->lastArgs("IHttpDaoMgr", "sendRequest"), (QJsonArray{request, 1}));
    QCOMPARE(m_log->lines().filter(QRegularExpression("^\\[(VK|booting time)\\]")),
             (QStringList{"[booting time][start]: GetModedGameList",
                          "[VK] Get moded games request sent:  \"" + url + "\"",
                          "[VK] Moded game list downloaded finished, resloving...",
                          "[booting time][finish]: GetModedGameList", lastLine}));

    QCOMPARE(records(*m_harness->vornik()->modedGameList()), expected);
    QCOMPARE(listener.events, 1 + events);
    QCOMPARE(m_harness->log()->lastArgs("IBrowser", "modedGameListDocument"), QJsonArray{document});
    // A reply that arrived is never asked for again, whatever it held.
    QCOMPARE(m_stub->paths(), QStringList{path});
    QCOMPARE(logCount("[VK] Getting moded game list failed"), 0);
}

void ModedGameListTest::listenersAndHandOver()
{
    ListListener twice;
    ListListener late;
    auto gone = std::make_unique<ListListener>();
    IVornik* vornik = m_harness->vornik();
    vornik->addModedGameListListener(&twice);
    vornik->addModedGameListListener(gone.get());
    vornik->addModedGameListListener(&twice);
    vornik->addModedGameListListener(nullptr);
    gone.reset();
    vornik->addModedGameListListener(&late);

    // Another request's download is none of the list's business.
    m_harness->deliver("GetModedGameListX", kOneGame);
    const int subscribed = m_harness->object()->property("modedGameListListeners").toInt();
    m_harness->deliver("GetModedGameList", R"({"data": []})");
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(twice.events, 1);
    QCOMPARE(late.events, 1);
    // The one that went (and any an earlier case left) is dropped: the living are what is left.
    QVERIFY(subscribed >= 3);
    QCOMPARE(m_harness->object()->property("modedGameListListeners").toInt(), 2);
    QCOMPARE(twice.list, vornik->modedGameList());

    // A list still to be read when the plug-in goes is read by nobody.
    m_harness->deliver("GetModedGameList", kOneGame);
    m_harness->destroyPlugin();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(twice.events, 1);
    QCOMPARE(logCount("[VK] Moded game list resovled"), 1);
}

void ModedGameListTest::retryAsksWithCurrentCodeAndDiesWithPlugin()
{
    ListListener listener;
    m_harness->vornik()->addModedGameListListener(&listener);
    // Whatever the failure, it is retried.
    m_stub->setDefaultReply(500);
    m_stub->enqueue(404);
    m_stub->enqueue(503);
    postCountryCode("de");
    QTRY_COMPARE_WITH_TIMEOUT(logCount("[VK] Getting moded game list failed"), 1, 30000);
    // Three changes during the outage: each asks at once and takes the place of the retry
    // pending, which asks with the code held when it fires.
    postCountryCode("fr");
    postCountryCode("es");
    postCountryCode("it");
    QTRY_VERIFY_WITH_TIMEOUT(m_stub->paths().size() >= 5
                                 && logCount("[VK] Getting moded game list failed") == m_stub->paths().size(),
                             30000);
    m_stub->setDefaultReply(200, kOneGame);
    QTRY_COMPARE_WITH_TIMEOUT(listener.events, 1, 30000);

    // The three changes' requests are in flight together and may reach the server in any order.
    QStringList changes = m_stub->paths().mid(1, 3);
    changes.sort();
    QCOMPARE(m_stub->paths().first(), QStringLiteral("/api/game/list?country=de"));
    QCOMPARE(changes, (QStringList{"/api/game/list?country=es", "/api/game/list?country=fr", "/api/game/list?country=it"}));
    QCOMPARE(m_stub->paths().mid(4), repeated(2, "/api/game/list?country=it"));
    const QList<HttpStub::Request> requests = m_stub->requests();
    for (int i = 4; i < requests.size(); ++i) {
        const qint64 gap = requests.at(i).receivedMs - requests.at(i - 1).receivedMs;
        // A 3 s single-shot may fire up to 5% early; the upper slack is for a loaded machine, not
        // for a pause that grows from one retry to the next.
        const QString outcome = QString("request %1 came %2 ms after the one before").arg(i).arg(gap);
        qInfo("%s", qPrintable(outcome));
        QVERIFY2(gap >= 2850 && gap < 5500, qPrintable(outcome));
    }
    QCOMPARE(m_log->lines("[VK] Getting moded game list failed"),
             repeated(5, "[VK] Getting moded game list failed, retring in 3 sec..."));
    QCOMPARE(m_harness->vornik()->modedGameList()->size(), 1);

    // Down again, then up while a retry is pending: the change that asks at once takes the
    // retry's place, so nothing asks after its answer.
    m_stub->setDefaultReply(500);
    postCountryCode("pl");
    QTRY_COMPARE_WITH_TIMEOUT(logCount("[VK] Getting moded game list failed"), 6, 30000);
    m_stub->setDefaultReply(200, kOneGame);
    postCountryCode("se");
    QTRY_COMPARE_WITH_TIMEOUT(listener.events, 2, 30000);
    const int answered = m_stub->paths().size();
    QVERIFY(!QTest::qWaitFor([&] { return m_stub->paths().size() > answered; }, 3600));

    // Down once more: the plug-in goes while its retry is pending, and the retry goes with it.
    m_stub->setDefaultReply(500);
    postCountryCode("pl");
    QTRY_COMPARE_WITH_TIMEOUT(logCount("[VK] Getting moded game list failed"), 7, 30000);
    m_harness->destroyPlugin();
    QVERIFY(!QTest::qWaitFor([&] { return m_stub->paths().size() > answered + 1; }, 3600));
    QCOMPARE(listener.events, 2);
}

void ModedGameListTest::requestInFlightOnTheRegistrysOwnService()
{
    // The registry hands out an HTTP service apart from the service library's, as a host may; the
    // plug-in goes while its request to it is in flight, and the reply must find nothing of it.
    m_harness->host()->separateRegistryHttp();
    QVERIFY(m_harness->bind());
    m_stub->setDelayMs(300);
    m_stub->setDefaultReply(200, kOneGame);
    postCountryCode("de");
    QTRY_COMPARE_WITH_TIMEOUT(m_stub->paths().size(), 1, 30000);
    QCOMPARE(m_harness->host()->registryHttp()->pendingRequests(), 1);
    m_harness->destroyPlugin();
    QCOMPARE(m_harness->log()->count("IHttpDaoMgr (registry)", "removeHandle"), 1);
    QCOMPARE(m_harness->log()->count("IHttpDaoMgr", "removeHandle"), 1);
    QCOMPARE(m_harness->host()->registryHttp()->pendingRequests(), 0);
    // The reply comes meanwhile; under the address sanitizer a call into the plug-in would end the run.
    QTest::qWait(600);
    QCOMPARE(logCount("[VK] Moded game list downloaded finished"), 0);
}

VORNIK_TEST_MAIN(ModedGameListTest)
#include "tst_modedgamelist.moc"
