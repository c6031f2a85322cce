// The page protocol end to end: commands sent by a real page through "webBridge", replies and
// pushes delivered back in order by the page's worker.

#include "ivornik.h"
#include "pagescript.h"
#include "pluginharness.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QThreadPool>
#include <QtTest>

#include "testmain.h"


namespace {

// The messages received so far whose event is one of names.
QJsonArray messagesNamed(const QJsonArray& messages, const QStringList& names)
{
    QJsonArray matching;
    for (const QJsonValue& message : messages) {
        if (names.contains(message.toObject().value("event").toString()))
            matching.append(message);
    }
    return matching;
}

// Waits until a message with that event name has arrived, and returns everything received.
QJsonArray receivedUntil(QWebEnginePage* page, const QString& event)
{
    QJsonArray messages;
    (void)QTest::qWaitFor([&] {
        messages = receivedMessages(page);
        return !messagesNamed(messages, {event}).isEmpty();
    }, 30000);
    return messages;
}

} // namespace

class BridgeDeliveryTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void commandGetsReplyUnderCallbackName();
    void malformedCommandsProduceNothing_data();
    void malformedCommandsProduceNothing();
    void forcedEvents_data();
    void forcedEvents();
    void messagesArriveInOrderAndPaced();
    void destructionWithQueueReturnsAtOnce();
    void writingContentEchoes();

private:
    std::unique_ptr<PluginHarness> m_harness;
    int m_poolMax = 0;
};

void BridgeDeliveryTest::initTestCase()
{
    qRegisterMetaType<QJsonObject>();
    // Before any plug-in exists: every page's worker adds a pool thread, and gives it back.
    m_poolMax = QThreadPool::globalInstance()->maxThreadCount();
}

void BridgeDeliveryTest::init()
{
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->showPage());
}

void BridgeDeliveryTest::cleanup()
{
    m_harness.reset();
}

void BridgeDeliveryTest::commandGetsReplyUnderCallbackName()
{
    QWebEnginePage* page = m_harness->page();
    sendFromPage(page, R"({"event":"noSuchCommand","callbackEvent":"X","data":{"a":1}})");
    const QJsonArray replies = messagesNamed(receivedUntil(page, "X"), {"X"});
    QCOMPARE(replies.size(), 1);
    const QJsonObject reply = replies.at(0).toObject();
    QCOMPARE(reply.value("page").toInt(), 8);
    QCOMPARE(reply.value("data").toObject(), QJsonObject());
    QCOMPARE(reply.keys(), (QStringList{"data", "event", "page", "stamp"}));
    const qint64 stamp = reply.value("stamp").toVariant().toLongLong();
    QVERIFY(qAbs(QDateTime::currentMSecsSinceEpoch() - stamp) < 5 * 60 * 1000);
}

void BridgeDeliveryTest::malformedCommandsProduceNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("not JSON") << R"({"event":"getLanguage","callbackEvent":"bad")";
    QTest::newRow("array at top level") << R"([{"event":"getLanguage","callbackEvent":"bad"}])";
    QTest::newRow("no callback") << R"({"event":"getLanguage"})";
    QTest::newRow("empty callback") << R"({"event":"getLanguage","callbackEvent":""})";
    QTest::newRow("callback not a string") << R"({"event":"getLanguage","callbackEvent":5})";
}

void BridgeDeliveryTest::malformedCommandsProduceNothing()
{
    QFETCH(QString, text);
    QWebEnginePage* page = m_harness->page();
    sendFromPage(page, text);
    // Delivery keeps order, so anything the first command caused would arrive before this reply.
    sendFromPage(page, R"({"event":"noSuchCommand","callbackEvent":"after"})");
    const QJsonArray messages = receivedUntil(page, "after");
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).toObject().value("event").toString(), QStringLiteral("after"));
}

void BridgeDeliveryTest::forcedEvents_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("delivered");
    QTest::newRow("own page") << 8 << "anything" << true;
    QTest::newRow("forced to own page from home") << 1 << "getVmList" << true;
    QTest::newRow("forced with no mask") << 0 << "openClientLoading" << true;
    QTest::newRow("forced push") << 2 << "updateInstalledAppsNotification" << true;
    QTest::newRow("other pages only") << 7 << "pageRouterTo" << false;
    QTest::newRow("forced name in other case") << 1 << "getvmlist" << false;
    QTest::newRow("forced name with a blank") << 1 << "getVmList " << false;
    QTest::newRow("no mask") << 0 << "updateLanguage" << false;
}

void BridgeDeliveryTest::forcedEvents()
{
    QFETCH(int, mask);
    QFETCH(QString, event);
    QFETCH(bool, delivered);
    m_harness->vornik()->sendToPage(mask, event, QJsonObject{{"n", 1}});
    m_harness->vornik()->sendToPage(8, "sentinel", QJsonObject());
    const QJsonArray messages = receivedUntil(m_harness->page(), "sentinel");
    const QJsonArray matching = messagesNamed(messages, {event});
    QCOMPARE(matching.size(), delivered ? 1 : 0);
    if (delivered) {
        QCOMPARE(matching.at(0).toObject().value("page").toInt(), mask);
        QCOMPARE(matching.at(0).toObject().value("data").toObject(), (QJsonObject{{"n", 1}}));
    }
}

void BridgeDeliveryTest::messagesArriveInOrderAndPaced()
{
    for (int i = 0; i < 10; ++i)
        m_harness->vornik()->sendToPage(8, "numbered", QJsonObject{{"i", i}});
    QJsonArray numbered;
    QTRY_VERIFY_WITH_TIMEOUT((numbered = messagesNamed(receivedMessages(m_harness->page()), {"numbered"})).size() == 10, 30000);
    qint64 previousStamp = 0;
    for (int i = 0; i < 10; ++i) {
        const QJsonObject message = numbered.at(i).toObject();
        QCOMPARE(message.value("data").toObject().value("i").toInt(), i);
        const qint64 stamp = message.value("stamp").toVariant().toLongLong();
        if (i > 0)
            QVERIFY2(stamp - previousStamp >= 10, qPrintable(QString("%1 ms apart").arg(stamp - previousStamp)));
        previousStamp = stamp;
    }
}

void BridgeDeliveryTest::destructionWithQueueReturnsAtOnce()
{
    // The host may delete the plug-in at any moment, its page's queue full, as often as it
    // likes: each time the worker stops after the message in hand, and its pool thread goes back.
    constexpr int kQueued = 1000;
    // Each round is a fresh page, seconds to come up; shutdown races need rounds, not minutes.
    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        if (!m_harness) {
            m_harness = std::make_unique<PluginHarness>();
            QVERIFY(m_harness->bind());
            QVERIFY(m_harness->showPage());
        }
        // Read only after the destructor has joined the worker, so the spy is never read while the
        // worker appends to it.
        QSignalSpy delivered(m_harness->bridge(), SIGNAL(contentChanged(QJsonObject)));
        for (int i = 0; i < kQueued; ++i)
            m_harness->vornik()->sendToPage(8, "queued", QJsonObject{{"i", i}});
        // Delivery is under way, so the worker is somewhere in its loop when the plug-in goes.
        QTRY_VERIFY_WITH_TIMEOUT(!messagesNamed(receivedMessages(m_harness->page()), {"queued"}).isEmpty(), 30000);

        QElapsedTimer clock;
        clock.start();
        m_harness->destroyPlugin();
        const qint64 took = clock.elapsed();
        const int poolMax = QThreadPool::globalInstance()->maxThreadCount();
        const QString outcome = QStringLiteral("round %1: destroyed in %2 ms, %3 delivered, pool maximum %4")
                                    .arg(round).arg(took).arg(delivered.count()).arg(poolMax);
        qInfo("%s", qPrintable(outcome));
        // Delivery had only just begun: at 10 ms a message, draining the queue would take most of
        // 10 s, far more than half of it.
        QVERIFY2(took < kQueued * 10 / 2 && delivered.count() < kQueued, qPrintable(outcome));
        QVERIFY2(poolMax == m_poolMax, qPrintable(outcome));
        QVERIFY(!m_harness->webManager());
        m_harness.reset();
    }
}

void BridgeDeliveryTest::writingContentEchoes()
{
    QWebEnginePage* page = m_harness->page();
    evaluate(page, R"(window.bridge.content = {"echo": "hello"}; true)");
    QJsonArray messages;
    QTRY_VERIFY_WITH_TIMEOUT(!(messages = receivedMessages(page)).isEmpty(), 30000);
    QCOMPARE(messages.at(0).toObject(), (QJsonObject{{"echo", "hello"}}));
    QCOMPARE(m_harness->bridge()->property("content").toJsonObject(), QJsonObject());
}

VORNIK_TEST_MAIN(BridgeDeliveryTest)
#include "tst_bridgedelivery.moc"
