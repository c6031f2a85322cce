// The feature interface as the host drives it: what the game operations tell the page and ask of
// the host, and what the interface hands back. Operations that only pass a message on are tested
// where that message is made: searches and routing in tst_commands, language and play strategy in
// tst_hostevents, installed apps in tst_records, the views' visibility in tst_webview.

#include "hostcalllog.h"
#include "ivornik.h"
#include "modedgame.h"
#include "pagescript.h"
#include "pluginharness.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "testmain.h"

class FacadeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void gameOperations_data();
    void gameOperations();
    void emptyTextIsOneEmptyString();
    void modedGameListIsTheListItself();

private:
    // Sends a marker after whatever is queued and returns what the page received before it, each
    // message as compact JSON without its delivery stamp.
    QStringList messagesUntilMarker();

    std::unique_ptr<PluginHarness> m_harness;
};

void FacadeTest::initTestCase()
{
    m_harness = std::make_unique<PluginHarness>();
    QVERIFY(m_harness->bind());
    QVERIFY(m_harness->showPage());

    // Whenever the host is asked to show a page, the page hears of it next, so the order of the
    // page message and the host call shows in what the page receives.
    IVornik* vornik = m_harness->vornik();
    connect(m_harness->log(), &HostCallLog::recorded, this, [vornik](const QJsonObject& entry) {
        if (entry.value("iface") == "IMyGame" && entry.value("op") == "showPage")
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
}

QStringList FacadeTest::messagesUntilMarker()
{
    // A name of its own, so the marker of an earlier call still in the page is not taken for it.
    static int serial = 0;
    const QString marker = QStringLiteral("marker-%1").arg(++serial);
    m_harness->vornik()->sendToPage(8, marker, QJsonObject());
    QStringList messages;
    const bool marked = QTest::qWaitFor(
        [&] {
            messages.clear();
            for (const QJsonValue& value : receivedMessages(m_harness->page())) {
                QJsonObject message = value.toObject();
                message.remove("stamp");
                messages.append(QJsonDocument(message).toJson(QJsonDocument::Compact));
            }
            return !messages.isEmpty() && messages.last().contains(QStringLiteral(R"("event":"%1")").arg(marker));
        },
        30000);
    if (!marked)
        return messages << "(the marker never came)";
    messages.removeLast();
    return messages;
}

void FacadeTest::gameOperations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("messages");

    const QString shown = R"({"data":{"args":[8]},"event":"hostShowPage","page":8})";
    QTest::newRow("switchToGame, from as text")
        << "switchToGame"
        << QStringList{R"({"data":{"from":"3","mod_id":"m1","package":"com.a"},"event":"switchToVKGame","page":8})",
                       shown};
    QTest::newRow("setupMod")
        << "setupMod"
        << QStringList{R"({"data":{"mod_id":"m1","mod_name":"Turbo","package":"com.a"},"event":"setupMod","page":8})",
                       shown};
}

void FacadeTest::gameOperations()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, messages);

    if (operation == "switchToGame")
        m_harness->vornik()->switchToGame("com.a", "m1", 3);
    else
        m_harness->vornik()->setupMod("com.a", "m1", "Turbo");

    QCOMPARE(messagesUntilMarker(), messages);
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
    // Handed out before a parse, the list is still the one the parse fills.
    ModedGameList* held = m_harness->vornik()->modedGameList();
    QVERIFY(held);
    m_harness->deliver("GetModedGameList", R"({"data":[{"id":"1","packageName":"com.held","name":"Held"}]})");

    QTRY_COMPARE_WITH_TIMEOUT(held->size(), 1, 30000);
    QCOMPARE(held->first().packageName, QStringLiteral("com.held"));
    QCOMPARE(m_harness->vornik()->modedGameList(), held);
}

VORNIK_TEST_MAIN(FacadeTest)
#include "tst_facade.moc"
