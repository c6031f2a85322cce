// Hosts that end as real hosts do, their loader on main's stack, the page shown and messages in
// flight: "alive" leaves the plug-in to Qt's clean-up at exit, "after-app" and "before-app" delete
// it after or before the application object, "wait-pool" waits for the global pool first,
// "unload" unloads it, "quit-in-apk" quits while a play command waits for its APK address.
// Prints what it reached, so the test knows where a hang or a crash happened.

#include "hostcalllog.h"
#include "iplugin.h"
#include "ivornik.h"
#include "pagescript.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinsimulatormgr.h"

#include <QApplication>
#include <QJsonObject>
#include <QPluginLoader>
#include <QThreadPool>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>

namespace {

void say(const QByteArray& line)
{
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

void sendBurst(IVornik* vornik, int count)
{
    for (int i = 0; i < count; ++i)
        vornik->sendToPage(8, QStringLiteral("burst"), QJsonObject{{QStringLiteral("n"), i}});
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray shape = argc > 1 ? QByteArray(argv[1]) : QByteArray("alive");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Declared first, so it outlives the application, as in most hosts.
    QPluginLoader loader(QStringLiteral(VORNIK_PLUGIN_FILE));
    QObject* object = nullptr;
    {
        QApplication app(argc, argv);
        // The host's own services live as long as the process, as a real host's singletons do.
        auto* host = new StandInHost(PluginHarness::testProfile());
        host->applyProfile();
        object = loader.instance();
        auto* plugin = qobject_cast<IPlugin*>(object);
        auto* vornik = qobject_cast<IVornik*>(object);
        if (!plugin || !vornik)
            return 2;
        host->registerPlugin(plugin);
        plugin->bindHost(host->pluginManager(), 0);

        auto* window = new QWidget;
        window->resize(800, 600);
        window->show();
        vornik->createView(8, PluginHarness::probePage().toString(), window);
        auto* page = window->findChild<QWebEngineView*>()->page();
        bool loaded = false;
        QObject::connect(page, &QWebEnginePage::loadFinished, [&loaded](bool ok) { loaded = loaded || ok; });
        if (!waitInEventLoop([&loaded] { return loaded; }, 60000))
            return 3;
        say("page shown");

        if (shape == "quit-in-apk") {
            host->simulator()->setApkAnswerMode(StandInSimulatorMgr::ApkAnswerMode::Never);
            page->runJavaScript(QStringLiteral(
                "window.send(JSON.stringify({event: 'installOrPlayAppforVm', data: {package_name: 'com.late'}}))"));
            if (!waitInEventLoop([host] { return host->log()->count("ISimulatorMgr", "requestApkUrl") > 0; }, 30000))
                return 4;
        }
        sendBurst(vornik, 200);
        if (shape == "wait-pool") {
            QThreadPool::globalInstance()->waitForDone();
            say("pool done");
            sendBurst(vornik, 200);
        }
        QTimer::singleShot(50, &app, &QCoreApplication::quit);
        app.exec();
        if (shape == "quit-in-apk") {
            // The address comes after the host has begun to quit: the game must not start now.
            host->simulator()->answerHeldApkRequests();
            QCoreApplication::processEvents();
            const HostCallLog* log = host->log();
            const int calls = log->count("IMyGame", "performGameAction") + log->count("IMyGame", "recordShareId")
                + log->count("IMyGame", "addGameDetail") + log->count("IStrategy", "recordPlayChoice");
            say("game calls after quit: " + QByteArray::number(calls));
        }
        // The host's window goes with its own widgets, before the application.
        delete window;
        if (shape == "before-app")
            delete object;
        if (shape == "unload" && !loader.unload())
            return 5;
        say("leaving main");
    }
    if (shape == "after-app")
        delete object;
    return 0;
}
