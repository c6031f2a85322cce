// A host that leaves the plug-in alive: it loads the real plug-in file, shows the page, sends
// messages, waits for the global thread pool, sends more, quits its event loop and returns from
// main without deleting the plug-in, as a host that never unloads its plug-ins does.

#include "ivornik.h"
#include "pluginharness.h"

#include <QApplication>
#include <QJsonObject>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>

namespace {

void say(const char* line)
{
    std::printf("%s\n", line);
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
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Never deleted: the plug-in, its page and its workers are alive when main returns.
    auto* harness = new PluginHarness;
    if (!harness->bind() || !harness->showPage())
        return 2;
    say("page shown");
    sendBurst(harness->vornik(), 20);
    QThreadPool::globalInstance()->waitForDone();
    say("pool done");
    sendBurst(harness->vornik(), 200);
    QTimer::singleShot(50, &app, &QCoreApplication::quit);
    app.exec();
    say("leaving main");
    return 0;
}
