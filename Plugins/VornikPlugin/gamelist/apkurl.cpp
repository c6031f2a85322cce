#include "../core/vornikplugin.h"

#include "../core/hostregistry.h"
#include "isimulatormgr.h"
#include "modedgamestore.h"

#include <QDebug>
#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace {

constexpr int kApkWaitTimeoutMs = 30000;

void trace(int step)
{
    qInfo().noquote() << QStringLiteral("[DEBUG_TRACKING] Apk url callback--%1").arg(step);
}

// What a waiting lookup shares with its callback. The callback may come inside requestApkUrl,
// after the wait has given up, or more than once; it never points into the caller's stack.
struct ApkWait
{
    QString result;
    bool answered = false;
    QEventLoop* loop = nullptr;
};

} // namespace

int VornikPlugin::apkWaitTimeout() const
{
    // Tests may shorten the bound on a waiting lookup through this property; the host never sets it.
    bool ok = false;
    const int timeout = property("apkWaitTimeoutMs").toInt(&ok);
    return ok && timeout > 0 ? timeout : kApkWaitTimeoutMs;
}

QString VornikPlugin::apkUrl(const QString& package, bool wait)
{
    trace(2);
    QString result;
    if (const ModedGame* game = ModedGameStore::find(package))
        result = game->apkUrl;

    if (result.isEmpty()) {
        ISimulatorMgr* simulator = HostRegistry::simulatorMgr();
        if (simulator && wait) {
            const auto state = std::make_shared<ApkWait>();
            auto waiting = [state, package](const QString& url) {
                trace(3);
                if (!url.isEmpty()) {
                    if (ModedGame* game = ModedGameStore::find(package)) {
                        trace(4);
                        game->apkUrl = url;
                        trace(5);
                    }
                    state->result = url;
                }
                trace(6);
                state->answered = true;
                if (state->loop)
                    state->loop->quit();
                trace(7);
            };
            simulator->requestApkUrl(package, waiting, 0, 1);
            if (!state->answered) {
                QEventLoop loop;
                state->loop = &loop;
                // Ours, not a single shot: an answered wait must not leave its time-out pending.
                QTimer timeout;
                timeout.setSingleShot(true);
                QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
                timeout.start(apkWaitTimeout());
                loop.exec();
                state->loop = nullptr;
            }
            result = state->result;
        } else if (simulator) {
            auto storing = [package](const QString& url) {
                trace(8);
                if (url.isEmpty())
                    return;
                trace(9);
                ModedGame* game = ModedGameStore::find(package);
                trace(10);
                if (!game)
                    return;
                game->apkUrl = url;
                trace(11);
            };
            simulator->requestApkUrl(package, storing, 0, 0);
        }
    }

    trace(12);
    return result;
}
