// APK address lookups: the cache in the moded game list, the waiting and the storing callbacks with
// their trace lines, and a host that answers inside the call, late, or never.

#include "hostcalllog.h"
#include "ivornik.h"
#include "logcapture.h"
#include "modedgame.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinsimulatormgr.h"

#include <QJsonArray>
#include <QTimer>
#include <QtTest>

#include "testmain.h"

Q_DECLARE_METATYPE(StandInSimulatorMgr::ApkAnswerMode)

class ApkUrlTest : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void lookup_data();
    void lookup();
    void answerInsideTheCallEndsTheWait();
    void neverAnsweredIsBoundedAndLateAnswerHarmless();
    void answersFromTheHostsOwnThread();
    void playCommandWaitsForNoEventLoop_data();
    void playCommandWaitsForNoEventLoop();

private:
    // The step numbers of the trace lines logged so far, comma-separated.
    QString trace() const;
    QStringList apkUrls() const;

    std::unique_ptr<PluginHarness> m_harness;
    std::unique_ptr<LogCapture> m_log;
};

void ApkUrlTest::init()
{
    m_log.reset();
    m_harness.reset();
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    m_log = std::make_unique<LogCapture>();

    // Four records, one package twice. The parse looks each up without waiting, and the host has
    // only empty answers: the storing callback stops at once. The list handed out before the parse
    // is the one the parse fills.
    ModedGameList* held = m_harness->vornik()->modedGameList();
    m_harness->deliver("GetModedGameList", R"({"data":[
        {"id":"1","packageName":"com.a","name":"A"},
        {"id":"2","packageName":"com.b","name":"B"},
        {"id":"3","packageName":"com.dup","name":"D1"},
        {"id":"4","packageName":"com.dup","name":"D2"}]})");
    QTRY_COMPARE_WITH_TIMEOUT(trace(), QStringLiteral("2,12,2,12,2,12,2,12,8,8,8,8"), 30000);
    QCOMPARE(apkUrls(), QStringList({"", "", "", ""}));
    QCOMPARE(m_harness->vornik()->modedGameList(), held);

    m_log->clear();
    m_harness->log()->clear();
}

QString ApkUrlTest::trace() const
{
    const QString prefix = "[DEBUG_TRACKING] Apk url callback--";
    return m_log->lines(prefix).join(',').remove(prefix);
}

QStringList ApkUrlTest::apkUrls() const
{
    QStringList urls;
    for (const ModedGame& game : *m_harness->vornik()->modedGameList())
        urls.append(game.apkUrl);
    return urls;
}

void ApkUrlTest::lookup_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<bool>("wait");
    QTest::addColumn<QString>("answer"); // the host's, after the call has returned
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("traceInCall");
    QTest::addColumn<QString>("traceAtEnd");
    QTest::addColumn<QStringList>("stored"); // apkUrl of com.a, com.b, com.dup, com.dup

    const QString dup = "https://apk.test/dup";
    const QStringList none{"", "", "", ""};
    QTest::newRow("waiting, first of two records") << "com.dup" << true << dup << dup << "2,3,4,5,6,7,12"
                                                   << "2,3,4,5,6,7,12" << QStringList{"", "", dup, ""};
    QTest::newRow("waiting, empty answer") << "com.a" << true << "" << "" << "2,3,6,7,12" << "2,3,6,7,12" << none;
    QTest::newRow("waiting, package not listed") << "com.x" << true << "https://apk.test/x" << "https://apk.test/x"
                                                 << "2,3,6,7,12" << "2,3,6,7,12" << none;
    QTest::newRow("not waiting, filled later") << "com.a" << false << "https://apk.test/a" << "" << "2,12"
                                               << "2,12,8,9,10,11" << QStringList{"https://apk.test/a", "", "", ""};
    QTest::newRow("not waiting, package not listed") << "com.x" << false << "https://apk.test/x" << "" << "2,12"
                                                     << "2,12,8,9,10" << none;
}

void ApkUrlTest::lookup()
{
    QFETCH(QString, package);
    QFETCH(bool, wait);
    QFETCH(QString, answer);
    QFETCH(QString, result);
    QFETCH(QString, traceInCall);
    QFETCH(QString, traceAtEnd);
    QFETCH(QStringList, stored);
    m_harness->host()->profile().apkUrls.insert(package, answer);

    QCOMPARE(m_harness->vornik()->apkUrl(package, wait), result);
    QCOMPARE(trace(), traceInCall);
    QCOMPARE(m_harness->log()->count("ISimulatorMgr", "requestApkUrl"), 1);
    QCOMPARE(m_harness->log()->lastArgs("ISimulatorMgr", "requestApkUrl"), (QJsonArray{package, true, 0, int(wait)}));

    QTRY_COMPARE_WITH_TIMEOUT(trace(), traceAtEnd, 30000);
    QCoreApplication::processEvents();
    QCOMPARE(trace(), traceAtEnd);
    QCOMPARE(apkUrls(), stored);
}

void ApkUrlTest::answerInsideTheCallEndsTheWait()
{
    m_harness->host()->simulator()->setApkAnswerMode(StandInSimulatorMgr::ApkAnswerMode::Inside);
    m_harness->host()->profile().apkUrls.insert("com.b", "https://apk.test/b");
    // Were the call to wait for an answer that has already come, it would sit in an event loop
    // until the bound, and this timer would fire inside it.
    m_harness->object()->setProperty("apkWaitTimeoutMs", 60000);
    bool loopRan = false;
    QObject timerScope;
    QTimer::singleShot(0, &timerScope, [&loopRan] { loopRan = true; });

    QCOMPARE(m_harness->vornik()->apkUrl("com.b", true), "https://apk.test/b");
    QVERIFY(!loopRan);
    QCOMPARE(trace(), QStringLiteral("2,3,4,5,6,7,12"));
    QCOMPARE(apkUrls(), QStringList({"", "https://apk.test/b", "", ""}));
}

void ApkUrlTest::neverAnsweredIsBoundedAndLateAnswerHarmless()
{
    StandInSimulatorMgr* simulator = m_harness->host()->simulator();
    simulator->setApkAnswerMode(StandInSimulatorMgr::ApkAnswerMode::Never);
    m_harness->object()->setProperty("apkWaitTimeoutMs", 300);
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", true), QString());
    QCOMPARE(trace(), QStringLiteral("2,12"));

    // The answer comes after the call gave up: it still lands in the record, and touches nothing
    // of the call that is gone. From then on the record answers, whether the caller waits or not,
    // without asking the host (which would never answer).
    m_harness->host()->profile().apkUrls.insert("com.a", "https://apk.test/a");
    QCOMPARE(simulator->answerHeldApkRequests(), 1);
    QCOMPARE(trace(), QStringLiteral("2,12,3,4,5,6,7"));
    QCOMPARE(apkUrls(), QStringList({"https://apk.test/a", "", "", ""}));
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", true), "https://apk.test/a");
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", false), "https://apk.test/a");
    QCOMPARE(trace(), QStringLiteral("2,12,3,4,5,6,7,2,12,2,12"));
    QCOMPARE(m_harness->log()->count("ISimulatorMgr", "requestApkUrl"), 1);

    // Nor does an answer that outlives the plug-in itself.
    m_harness->host()->profile().apkUrls.insert("com.b", "https://apk.test/b");
    QCOMPARE(m_harness->vornik()->apkUrl("com.b", true), QString());
    m_harness->destroyPlugin();
    m_log->clear();
    QCOMPARE(simulator->answerHeldApkRequests(), 1);
    QCOMPARE(trace(), QStringLiteral("3,4,5,6,7"));
}

void ApkUrlTest::answersFromTheHostsOwnThread()
{
    // The host answers on a thread of its own; the list is the GUI thread's, and is written there.
    m_harness->host()->simulator()->setApkAnswerMode(StandInSimulatorMgr::ApkAnswerMode::OwnThread);
    m_harness->host()->profile().apkUrls.insert("com.dup", "https://apk.test/dup");
    m_harness->host()->profile().apkUrls.insert("com.a", "https://apk.test/a");
    QCOMPARE(m_harness->vornik()->apkUrl("com.dup", true), "https://apk.test/dup");
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", false), QString());
    QTRY_COMPARE_WITH_TIMEOUT(apkUrls(), QStringList({"https://apk.test/a", "", "https://apk.test/dup", ""}), 30000);
    QCOMPARE(trace(), QStringLiteral("2,3,4,5,6,7,12,2,12,8,9,10,11"));
    QCOMPARE(m_log->linesOffGuiThread("[DEBUG_TRACKING]"), QStringList());
}

void ApkUrlTest::playCommandWaitsForNoEventLoop_data()
{
    QTest::addColumn<StandInSimulatorMgr::ApkAnswerMode>("mode");
    QTest::addColumn<bool>("pluginGoes"); // deleted while the address is awaited
    QTest::addColumn<int>("actions"); // performGameAction calls in the end
    QTest::newRow("answered later") << StandInSimulatorMgr::ApkAnswerMode::Later << false << 1;
    QTest::newRow("answered twice") << StandInSimulatorMgr::ApkAnswerMode::Twice << false << 1;
    QTest::newRow("answered from the host's thread") << StandInSimulatorMgr::ApkAnswerMode::OwnThread << false << 1;
    QTest::newRow("plug-in deleted meanwhile") << StandInSimulatorMgr::ApkAnswerMode::Never << true << 0;
    QTest::newRow("never answered: the bound") << StandInSimulatorMgr::ApkAnswerMode::Never << false << 1;
}

void ApkUrlTest::playCommandWaitsForNoEventLoop()
{
    QFETCH(StandInSimulatorMgr::ApkAnswerMode, mode);
    QFETCH(bool, pluginGoes);
    QFETCH(int, actions);
    m_harness->host()->simulator()->setApkAnswerMode(mode);
    m_harness->host()->profile().apkUrls.insert("com.b", "https://apk.test/b");
    m_harness->object()->setProperty("apkWaitTimeoutMs", 300);
    bool loopRan = false;
    QObject timerScope;
    QTimer::singleShot(0, &timerScope, [&loopRan] { loopRan = true; });
    QJsonObject reply;
    QMetaObject::invokeMethod(m_harness->webManager(), "handleCommandText", Qt::DirectConnection, Q_RETURN_ARG(QJsonObject, reply),
                              Q_ARG(QString, R"({"event":"installOrPlayAppforVm","callbackEvent":"played","data":{"package_name":"com.b"}})"),
                              Q_ARG(int, 8));
    // Back before the host has answered, having run no event loop; the game waits for the address.
    QVERIFY(!loopRan);
    QCOMPARE(reply.value("event").toString(), QStringLiteral("played"));
    QCOMPARE(m_harness->log()->count("IMyGame", "performGameAction"), 0);
    if (pluginGoes) {
        m_harness->destroyPlugin();
        m_harness->host()->simulator()->answerHeldApkRequests();
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_harness->log()->count("IStrategy", "recordPlayChoice"), actions, 30000);
    // Nothing more comes: not a second game for a second answer, nor one after the bound.
    QVERIFY(!QTest::qWaitFor([&] { return m_harness->log()->count("IMyGame", "performGameAction") != actions; }, 500));
    if (actions) {
        const bool answered = mode != StandInSimulatorMgr::ApkAnswerMode::Never;
        const QJsonArray action = m_harness->log()->lastArgs("IMyGame", "performGameAction");
        QCOMPARE(action.at(0)["apkUrl"].toString(), answered ? "https://apk.test/b" : "");
        QCOMPARE(apkUrls(), QStringList({"", answered ? "https://apk.test/b" : "", "", ""}));
    }
}

VORNIK_TEST_MAIN(ApkUrlTest)
#include "tst_apkurl.moc"
