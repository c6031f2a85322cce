// bindHost: how the plug-in finds the host's plug-ins, and what it does when the host lacks one.

#include "hostcalllog.h"
#include "iplugin.h"
#include "ivornik.h"
#include "logcapture.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinplugin.h"
#include "standinpluginmanager.h"

#include <QJsonArray>
#include <QtTest>

#include "testmain.h"

namespace {

const QStringList kLookupOrder = {
    "{91240a5d-8a30-46b6-b9db-40412ff98cc4}", "{f4101670-6e1d-4e94-83a4-2a8c81b0ea90}",
    "{d648d6aa-6bfa-42fb-a488-27c34bedd784}", "{1864879f-972e-4fde-913a-1b7b8e7a448d}",
    "{c16069d4-2677-4971-a0d4-cb915080ad6c}", "{243c31c1-2d9b-56cb-adac-def801894f8e}",
    "{92235871-54dd-40b0-a498-b813a284798e}", "{2aa56a0e-6afc-36ec-8308-9fc0e2a2d9e8}",
    "{7efbd8f1-de24-5ddc-83c5-24c0b1e0617e}", "{66fe8a25-dc02-4806-a68d-537ec7a2b626}",
};
const QUuid kMyGame(QStringLiteral("{92235871-54dd-40b0-a498-b813a284798e}"));

QStringList lookups(HostCallLog* log)
{
    QStringList uuids;
    for (const QJsonValue& entry : log->entries("IPluginManager", "findPlugin"))
        uuids.append(entry.toObject().value("args").toArray().at(0).toString());
    return uuids;
}

} // namespace

class HostRegistryTest : public QObject
{
    Q_OBJECT
private slots:
    void lookupOrderAndDoubleFind();
    void nullManagerLeavesRegistry();
    void unknownPluginKeepsEarlierEntry();
    void missingInterface_data();
    void missingInterface();
    void vornikEntryIsThePluginItself();
};

void HostRegistryTest::lookupOrderAndDoubleFind()
{
    PluginHarness harness;
    harness.host()->setAbsent(QUuid(kLookupOrder.at(2)), true);
    QVERIFY(harness.bind());

    QStringList expected;
    for (int i = 0; i < kLookupOrder.size(); ++i) {
        expected.append(kLookupOrder.at(i));
        if (i != 2)
            expected.append(kLookupOrder.at(i));
    }
    QCOMPARE(lookups(harness.log()), expected);
}

void HostRegistryTest::nullManagerLeavesRegistry()
{
    PluginHarness harness;
    QVERIFY(harness.bind());
    QCOMPARE(harness.plugin()->bindHost(nullptr, 0), false);
    harness.vornik()->switchToGame("com.example.game", "7", 3);
    QCOMPARE(harness.log()->lastArgs("IMyGame", "showPage"), QJsonArray{8});
}

void HostRegistryTest::unknownPluginKeepsEarlierEntry()
{
    PluginHarness first;
    QVERIFY(first.bind());

    // A second host that knows none of the plug-ins leaves every entry as the first set it.
    StandInHost empty(PluginHarness::testProfile());
    for (const QString& uuid : kLookupOrder)
        empty.setAbsent(QUuid(uuid), true);
    QVERIFY(first.plugin()->bindHost(empty.pluginManager(), 0));
    QCOMPARE(lookups(empty.log()), kLookupOrder);

    first.vornik()->switchToGame("com.example.game", "7", 3);
    QCOMPARE(first.log()->count("IMyGame", "showPage"), 1);
}

void HostRegistryTest::missingInterface_data()
{
    QTest::addColumn<bool>("nullObject");
    QTest::newRow("plug-in without object") << true;
    QTest::newRow("plug-in without the interface") << false;
}

void HostRegistryTest::missingInterface()
{
    QFETCH(bool, nullObject);
    PluginHarness harness;
    QVERIFY(harness.bind());

    // A loaded plug-in that answers to the game library's identifier but does not implement it.
    StandInPlugin wrong(kMyGame, QStringLiteral("IMyGame"), &harness.host()->profile(), nullptr, nullptr);
    if (nullObject)
        harness.host()->setNullObject(kMyGame, true);
    else
        harness.host()->registerPlugin(&wrong);
    QVERIFY(harness.bind());

    // The page message still goes out; the call through the missing entry is skipped, and the
    // missing interface is reported once per process at most.
    LogCapture capture;
    harness.vornik()->switchToGame("com.example.game", "7", 3);
    harness.vornik()->setupMod("com.example.game", "7", "Mod");
    QCOMPARE(harness.log()->count("IMyGame", "showPage"), 0);
    QVERIFY(capture.lines("host interface KVL.IMyGame/1.0 is not available").size() <= 1);

    // Binding to a host that has it again restores the entry.
    harness.host()->setNullObject(kMyGame, false);
    harness.host()->unregisterPlugin(kMyGame);
    StandInHost full(PluginHarness::testProfile());
    QVERIFY(harness.plugin()->bindHost(full.pluginManager(), 0));
    harness.vornik()->switchToGame("com.example.game", "7", 3);
    QCOMPARE(full.log()->count("IMyGame", "showPage"), 1);
}

void HostRegistryTest::vornikEntryIsThePluginItself()
{
    // The game handlers reach the plug-in's own apkUrl through the registry's IVornik entry.
    PluginHarness harness;
    QVERIFY(harness.bind());
    auto* found = harness.host()->pluginManager()->findPlugin(QUuid(kLookupOrder.at(3)));
    QVERIFY(found);
    QCOMPARE(found->pluginObject(), harness.object());
}

VORNIK_TEST_MAIN(HostRegistryTest)
#include "tst_hostregistry.moc"
