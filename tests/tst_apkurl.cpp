// APK address lookups: the cache in the moded game list, the waiting and the storing callbacks with
// their trace lines, and a host that answers inside the call, late, or never.

#include "hostcalllog.h"
#include "ifiledownhandle.h"
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

namespace {

// Four records: two packages once each, one package twice.
const QByteArray kList = R"({"data":[
    {"id":"1","packageName":"com.a","name":"A"},
    {"id":"2","packageName":"com.b","name":"B"},
    {"id":"3","packageName":"com.dup","name":"D1"},
    {"id":"4","packageName":"com.dup","name":"D2"}]})";

QString addressOf(const QString& package)
{
    return "https://apk.example/" + package + ".apk";
}

using Mode = StandInSimulatorMgr::ApkAnswerMode;

} // namespace

class ApkUrlTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void lookup_data();
    void lookup();
    void cachedAddressAsksNobody();
    void answeredInside_data();
    void answeredInside();
    void neverAnsweredIsBoundedAndLateAnswerHarmless();

private:
    // The step numbers of the trace lines logged so far, comma-separated.
    QString trace() const;
    QStringList apkUrls() const;
    StandInSimulatorMgr* simulator() const;

    std::unique_ptr<PluginHarness> m_harness;
    std::unique_ptr<LogCapture> m_log;
};

void ApkUrlTest::init()
{
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    m_log = std::make_unique<LogCapture>();

    // The list arrives as the host's HTTP service hands it over; its own lookups find no address.
    auto* handle = static_cast<IFileDownHandle*>(m_harness->object()->qt_metacast("IFileDownHandle"));
    QVERIFY(handle);
    HttpDaoRequest reply;
    reply.name = QStringLiteral("GetModedGameList");
    reply.data = kList;
    handle->downloadFinished(reply);
    QTRY_COMPARE_WITH_TIMEOUT(m_log->lines("[DEBUG_TRACKING] Apk url callback--8").size(), 4, 30000);
    QCOMPARE(apkUrls(), QStringList({"", "", "", ""}));

    m_log->clear();
    m_harness->log()->clear();
}

void ApkUrlTest::cleanup()
{
    m_log.reset();
    m_harness.reset();
}

QString ApkUrlTest::trace() const
{
    const QString prefix = QStringLiteral("[DEBUG_TRACKING] Apk url callback--");
    QStringList steps;
    for (const QString& line : m_log->lines(prefix))
        steps.append(line.mid(prefix.size()));
    return steps.join(',');
}

QStringList ApkUrlTest::apkUrls() const
{
    QStringList urls;
    for (const ModedGame& game : *m_harness->vornik()->modedGameList())
        urls.append(game.apkUrl);
    return urls;
}

StandInSimulatorMgr* ApkUrlTest::simulator() const
{
    return m_harness->host()->simulator();
}

void ApkUrlTest::lookup_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<bool>("wait");
    QTest::addColumn<bool>("hostKnowsIt");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("traceInCall");
    QTest::addColumn<QString>("traceAfter");
    QTest::addColumn<QStringList>("stored"); // apkUrl of com.a, com.b, com.dup, com.dup

    const QString a = addressOf("com.a");
    const QString x = addressOf("com.x");
    const QString dup = addressOf("com.dup");
    QTest::newRow("waiting, answered") << "com.a" << true << true << a << "2,3,4,5,6,7,12" << ""
                                       << QStringList{a, "", "", ""};
    QTest::newRow("waiting, empty answer") << "com.a" << true << false << "" << "2,3,6,7,12" << ""
                                           << QStringList{"", "", "", ""};
    QTest::newRow("waiting, package not listed") << "com.x" << true << true << x << "2,3,6,7,12" << ""
                                                 << QStringList{"", "", "", ""};
    QTest::newRow("waiting, package listed twice") << "com.dup" << true << true << dup << "2,3,4,5,6,7,12" << ""
                                                   << QStringList{"", "", dup, ""};
    QTest::newRow("not waiting, filled later") << "com.a" << false << true << "" << "2,12" << "8,9,10,11"
                                               << QStringList{a, "", "", ""};
    QTest::newRow("not waiting, empty answer") << "com.a" << false << false << "" << "2,12" << "8"
                                               << QStringList{"", "", "", ""};
    QTest::newRow("not waiting, package not listed") << "com.x" << false << true << "" << "2,12" << "8,9,10"
                                                     << QStringList{"", "", "", ""};
    QTest::newRow("not waiting, package listed twice") << "com.dup" << false << true << "" << "2,12" << "8,9,10,11"
                                                       << QStringList{"", "", dup, ""};
}

void ApkUrlTest::lookup()
{
    QFETCH(QString, package);
    QFETCH(bool, wait);
    QFETCH(bool, hostKnowsIt);
    QFETCH(QString, result);
    QFETCH(QString, traceInCall);
    QFETCH(QString, traceAfter);
    QFETCH(QStringList, stored);
    if (hostKnowsIt)
        m_harness->host()->profile().apkUrls.insert(package, addressOf(package));

    QCOMPARE(m_harness->vornik()->apkUrl(package, wait), result);
    QCOMPARE(trace(), traceInCall);
    QCOMPARE(m_harness->log()->entries("ISimulatorMgr", "requestApkUrl").size(), 1);
    QCOMPARE(m_harness->log()->lastArgs("ISimulatorMgr", "requestApkUrl"), (QJsonArray{package, true, 0, wait ? 1 : 0}));

    const QString all = traceAfter.isEmpty() ? traceInCall : traceInCall + ',' + traceAfter;
    QTRY_COMPARE_WITH_TIMEOUT(trace(), all, 30000);
    QCoreApplication::processEvents();
    QCOMPARE(trace(), all);
    QCOMPARE(apkUrls(), stored);
}

void ApkUrlTest::cachedAddressAsksNobody()
{
    const QString a = addressOf("com.a");
    m_harness->host()->profile().apkUrls.insert("com.a", a);
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", true), a);
    m_log->clear();
    m_harness->log()->clear();

    QCOMPARE(m_harness->vornik()->apkUrl("com.a", false), a);
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", true), a);
    QCoreApplication::processEvents();
    QCOMPARE(trace(), QStringLiteral("2,12,2,12"));
    QCOMPARE(m_harness->log()->entries().size(), 0);
}

void ApkUrlTest::answeredInside_data()
{
    QTest::addColumn<bool>("wait");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("traceInCall");
    QTest::newRow("waiting") << true << addressOf("com.b") << "2,3,4,5,6,7,12";
    QTest::newRow("not waiting") << false << "" << "2,8,9,10,11,12";
}

void ApkUrlTest::answeredInside()
{
    QFETCH(bool, wait);
    QFETCH(QString, result);
    QFETCH(QString, traceInCall);
    simulator()->setApkAnswerMode(Mode::Inside);
    m_harness->host()->profile().apkUrls.insert("com.b", addressOf("com.b"));
    // Were the call to wait for an answer that has already come, it would sit in an event loop
    // until the bound, and this timer would fire inside it.
    m_harness->object()->setProperty("apkWaitTimeoutMs", 60000);
    bool loopRan = false;
    QTimer::singleShot(0, m_harness->object(), [&loopRan] { loopRan = true; });

    QCOMPARE(m_harness->vornik()->apkUrl("com.b", wait), result);
    QVERIFY(!loopRan);
    QCOMPARE(trace(), traceInCall);
    QCOMPARE(apkUrls(), QStringList({"", addressOf("com.b"), "", ""}));
}

void ApkUrlTest::neverAnsweredIsBoundedAndLateAnswerHarmless()
{
    simulator()->setApkAnswerMode(Mode::Never);
    m_harness->object()->setProperty("apkWaitTimeoutMs", 300);
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", true), QString());
    QCOMPARE(trace(), QStringLiteral("2,12"));

    // The answer comes after the call gave up: it still lands in the record, and touches nothing
    // of the call that is gone.
    m_harness->host()->profile().apkUrls.insert("com.a", addressOf("com.a"));
    QCOMPARE(simulator()->answerHeldApkRequests(), 1);
    QCOMPARE(trace(), QStringLiteral("2,12,3,4,5,6,7"));
    QCOMPARE(apkUrls(), QStringList({addressOf("com.a"), "", "", ""}));
    QCOMPARE(m_harness->vornik()->apkUrl("com.a", true), addressOf("com.a"));

    // Nor does an answer that outlives the plug-in itself.
    m_harness->host()->profile().apkUrls.insert("com.b", addressOf("com.b"));
    QCOMPARE(m_harness->vornik()->apkUrl("com.b", true), QString());
    m_harness->destroyPlugin();
    m_log->clear();
    QCOMPARE(simulator()->answerHeldApkRequests(), 1);
    QCOMPARE(trace(), QStringLiteral("3,4,5,6,7"));
}

VORNIK_TEST_MAIN(ApkUrlTest)
#include "tst_apkurl.moc"
