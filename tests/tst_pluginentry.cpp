// The plug-in as the host's loader meets it: metadata, the one instance, the interface casts and
// the IPlugin operations.

#include "hostcalllog.h"
#include "ifiledownhandle.h"
#include "iplugin.h"
#include "ivornik.h"
#include "klauncher.h"
#include "language.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QJsonArray>
#include <QPluginLoader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>
#include <vector>

#include "testmain.h"

class PluginEntryTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_exitHostHomes;
    std::map<QByteArray, std::vector<std::unique_ptr<QProcess>>> m_exitHosts;

private slots:
    void initTestCase();
    void metadata();
    void oneInstanceUntilDeleted();
    void castTable_data();
    void castTable();
    void pluginOperations();
    void destructionLetsGoOfTheHost();
    void destructionWithoutHttpServiceCallsNothing();
    void hostExits_data();
    void hostExits();
};


void PluginEntryTest::metadata()
{
    QPluginLoader loader(QStringLiteral(VORNIK_PLUGIN_FILE));
    const QJsonObject meta = loader.metaData();
    QCOMPARE(meta.value("IID").toString(), QStringLiteral("KVL.IBrowser/1.0"));
    QCOMPARE(meta.value("className").toString(), QStringLiteral("VornikPlugin"));
    QCOMPARE(meta.value("MetaData").toObject(), (QJsonObject{{"Keys", QJsonArray()}}));
}

void PluginEntryTest::oneInstanceUntilDeleted()
{
    QPointer<QObject> first = PluginHarness::pluginInstance();
    QVERIFY(first);
    QCOMPARE(PluginHarness::pluginInstance(), first.data());
    QCOMPARE(first->metaObject()->className(), "VornikPlugin");
    QVERIFY(first->findChild<QObject*>(QStringLiteral("WebManager")));

    delete first.data();
    QVERIFY(first.isNull());
    QObject* second = PluginHarness::pluginInstance();
    QVERIFY(second);
    QCOMPARE(second->metaObject()->className(), "VornikPlugin");
    delete second;
}

enum class Part { Self, Plugin, Vornik, DownloadHandle, None };
Q_DECLARE_METATYPE(Part)

void PluginEntryTest::castTable_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Part>("expected");
    QTest::newRow("class name") << QByteArray("VornikPlugin") << Part::Self;
    QTest::newRow("IPlugin id") << QByteArray("KVL.IPlugin/1.0") << Part::Plugin;
    QTest::newRow("IVornik") << QByteArray("IVornik") << Part::Vornik;
    QTest::newRow("IVornik id") << QByteArray("KVL.IVornik/1.0") << Part::Vornik;
    QTest::newRow("IBrowser id") << QByteArray("KVL.IBrowser/1.0") << Part::Vornik;
    QTest::newRow("IFileDownHandle") << QByteArray("IFileDownHandle") << Part::DownloadHandle;
    QTest::newRow("IBrowser without id") << QByteArray("IBrowser") << Part::None;
    QTest::newRow("other version") << QByteArray("KVL.IVornik/2.0") << Part::None;
    QTest::newRow("host interface") << QByteArray("KVL.IAccount/1.0") << Part::None;
}

void PluginEntryTest::castTable()
{
    QFETCH(QByteArray, name);
    QFETCH(Part, expected);
    PluginHarness harness;
    QObject* object = harness.object();
    auto* vornik = qobject_cast<IVornik*>(object);
    // The download handle is a base of its own, found only through the cast.
    void* handle = object->qt_metacast("IFileDownHandle");
    QVERIFY(handle && handle != object && handle != vornik);
    // The host reaches its browser interface at the same address as the feature's.
    QCOMPARE(static_cast<void*>(static_cast<IBrowser*>(vornik)), static_cast<void*>(vornik));
    const QMap<Part, void*> parts{{Part::Self, object}, {Part::Plugin, qobject_cast<IPlugin*>(object)},
                                  {Part::Vornik, vornik}, {Part::DownloadHandle, handle}, {Part::None, nullptr}};
    QVERIFY(expected == Part::None || parts.value(expected));
    QCOMPARE(object->qt_metacast(name.constData()), parts.value(expected));
}

void PluginEntryTest::pluginOperations()
{
    PluginHarness harness;
    IPlugin* plugin = harness.plugin();
    QCOMPARE(plugin->pluginUuid(), QUuid(QStringLiteral("{1864879f-972e-4fde-913a-1b7b8e7a448d}")));
    QCOMPARE(plugin->pluginObject(), harness.object());
    QCOMPARE(plugin->bindHost(nullptr, 0), false);
    QVERIFY(harness.bind());
    QVERIFY(plugin->bindLanguage());
    QVERIFY(plugin->acknowledgeFirst());
    QVERIFY(plugin->bindAccount());
    QVERIFY(plugin->acknowledgeSecond());
    plugin->reservedHook(42);
    // Nothing is requested by binding: the moded game list waits for the first country code.
    QCOMPARE(harness.log()->count("IHttpDaoMgr", "sendRequest"), 0);
}

void PluginEntryTest::destructionLetsGoOfTheHost()
{
    PluginHarness harness;
    harness.bind();
    auto* handle = static_cast<IFileDownHandle*>(harness.object()->qt_metacast("IFileDownHandle"));
    QVERIFY(handle);
    // Whatever else listens to the host's language object goes first, so what is left is ours.
    Language* language = Language::instance();
    QObject::disconnect(language, &Language::languageChange, nullptr, nullptr);
    QVERIFY(harness.plugin()->bindLanguage());
    harness.destroyPlugin();
    QCOMPARE(harness.log()->count("IHttpDaoMgr", "removeHandle"), 1);
    // A language change after the library is gone must find nothing of it to call.
    QVERIFY(!QObject::disconnect(language, &Language::languageChange, nullptr, nullptr));
}

void PluginEntryTest::destructionWithoutHttpServiceCallsNothing()
{
    PluginHarness harness;
    KLauncher::instance()->setHttpDaoMgr(nullptr);
    harness.destroyPlugin();
    QCOMPARE(harness.log()->count("IHttpDaoMgr", "removeHandle"), 0);
}

namespace {

struct ExitShape
{
    const char* name;
    const char* shape;
    int runs; // a crash or a hang at exit showed in some runs only
    const char* lastWords; // what the host prints before it leaves main, if anything of note
};

const ExitShape kExitShapes[] = {
    {"plug-in never deleted, loader on main's stack", "alive", 3, ""},
    {"plug-in deleted after the application", "after-app", 3, ""},
    {"plug-in deleted before the application", "before-app", 3, ""},
    {"host waits for the global pool", "wait-pool", 3, "pool done"},
    {"plug-in unloaded", "unload", 1, ""},
    {"host quits while a play command waits", "quit-in-apk", 1, "game calls after quit: 0"},
};

} // namespace

void PluginEntryTest::initTestCase()
{
    // Every host at once, each its own process with a web engine profile of its own (one profile
    // is one engine at a time); the other cases run meanwhile.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Leaving the plug-in alive is the point; under the leak checker it would read as a leak.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":detect_leaks=0");
    for (const ExitShape& shape : kExitShapes) {
        for (int run = 0; run < shape.runs; ++run) {
            const QString home = m_exitHostHomes.path() + QStringLiteral("/%1-%2").arg(shape.shape).arg(run);
            environment.insert("XDG_DATA_HOME", home + "/data");
            environment.insert("XDG_CACHE_HOME", home + "/cache");
            auto host = std::make_unique<QProcess>();
            host->setProcessEnvironment(environment);
            host->setProcessChannelMode(QProcess::MergedChannels);
            host->start(QStringLiteral(VORNIK_EXIT_HOST), QStringList{shape.shape});
            m_exitHosts[shape.shape].push_back(std::move(host));
        }
    }
}

void PluginEntryTest::hostExits_data()
{
    QTest::addColumn<QByteArray>("shape");
    QTest::addColumn<QByteArray>("lastWords");
    for (const ExitShape& shape : kExitShapes)
        QTest::newRow(shape.name) << QByteArray(shape.shape) << QByteArray(shape.lastWords);
}

void PluginEntryTest::hostExits()
{
    QFETCH(QByteArray, shape);
    QFETCH(QByteArray, lastWords);
    int run = 0;
    for (const std::unique_ptr<QProcess>& host : m_exitHosts[shape]) {
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += host->readAll()).contains("leaving main") || host->state() == QProcess::NotRunning,
                                 120000);
        QElapsedTimer exit;
        exit.start();
        // It may have gone already, while its output was read: waitForFinished says false then.
        const bool exited = host->state() == QProcess::NotRunning || host->waitForFinished(5000);
        output += host->readAll();
        const QString outcome = QStringLiteral("run %1: %2, status %3, %4 ms after leaving main")
                                    .arg(run++).arg(exited ? "exited" : "still running").arg(host->exitCode()).arg(exit.elapsed());
        qInfo("%s", qPrintable(outcome));
        if (!exited)
            host->kill();
        QVERIFY2(output.contains("page shown\n") && output.contains("leaving main\n"), output.constData());
        QVERIFY2(output.contains(lastWords + '\n'), output.constData());
        QVERIFY2(exited, qPrintable(outcome));
        QVERIFY2(host->exitStatus() == QProcess::NormalExit && host->exitCode() == 0, qPrintable(outcome + "\n" + output));
        QVERIFY2(!output.contains("still not deleted"), output.constData());
    }
}

VORNIK_TEST_MAIN(PluginEntryTest)
#include "tst_pluginentry.moc"
