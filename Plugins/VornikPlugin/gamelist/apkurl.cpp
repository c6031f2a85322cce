#include "../core/vornikplugin.h"

#include "../core/hostregistry.h"
#include "isimulatormgr.h"
#include "modedgamestore.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

constexpr int kApkWaitTimeoutMs = 30000;

void trace(int step)
{
    qInfo().noquote() << QStringLiteral("[DEBUG_TRACKING] Apk url callback--%1").arg(step);
}

// What a lookup shares with its callback. The callback may come inside requestApkUrl, after the
// lookup has given up, more than once, or from a thread of the host's; it never points into the
// caller's stack.
struct ApkWait
{
    QString result;
    bool answered = false;
    // The host's own waiting lookup, while it waits.
    QEventLoop* loop = nullptr;
    // A lookup that does not wait: told once, on its context's thread, if the context still lives.
    std::function<void(const QString&)> done;
    QPointer<QObject> context;
};

// The moded game list is GUI-thread state: an answer from elsewhere is carried there first, as the
// HTTP callbacks' bodies are. With no application there is no GUI thread left to carry it to.
template <typename Answer>
void onGuiThread(Answer answer)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    if (QThread::currentThread() == app->thread())
        answer();
    else
        QMetaObject::invokeMethod(app, std::move(answer), Qt::QueuedConnection);
}

void finish(const std::shared_ptr<ApkWait>& state)
{
    if (!state->done || !state->context)
        return;
    const auto done = std::exchange(state->done, nullptr);
    trace(12);
    done(state->result);
}

void answerWaiting(const std::shared_ptr<ApkWait>& state, const QString& package, const QString& url)
{
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
    const bool first = !state->answered;
    state->answered = true;
    if (state->loop)
        state->loop->quit();
    trace(7);
    if (first)
        finish(state);
}

std::shared_ptr<ApkWait> requestWaiting(ISimulatorMgr* simulator, const QString& package,
                                        const std::shared_ptr<ApkWait>& state = std::make_shared<ApkWait>())
{
    simulator->requestApkUrl(
        package,
        [state, package](const QString& url) { onGuiThread([state, package, url] { answerWaiting(state, package, url); }); },
        0, 1);
    return state;
}

} // namespace

int VornikPlugin::apkWaitTimeout() const
{
    // Tests may shorten the bound on a waiting lookup through this property; the host never sets it.
    bool ok = false;
    const int timeout = property("apkWaitTimeoutMs").toInt(&ok);
    return ok && timeout > 0 ? timeout : kApkWaitTimeoutMs;
}

void VornikPlugin::lookUpApkUrl(const QString& package, QObject* context, std::function<void(const QString&)> done)
{
    trace(2);
    const ModedGame* game = ModedGameStore::find(package);
    ISimulatorMgr* simulator = game && !game->apkUrl.isEmpty() ? nullptr : HostRegistry::simulatorMgr();
    if (!simulator) {
        trace(12);
        done(game ? game->apkUrl : QString());
        return;
    }
    const auto state = std::make_shared<ApkWait>();
    state->done = std::move(done);
    state->context = context;
    // Answered inside the call, done has run already.
    if (requestWaiting(simulator, package, state)->answered)
        return;
    // The bound of the host's waiting lookup, without its event loop: the caller goes on at once.
    QTimer::singleShot(apkWaitTimeout(), context, [state] {
        if (state->answered)
            return;
        state->answered = true;
        finish(state);
    });
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
            const auto state = requestWaiting(simulator, package);
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
                onGuiThread([package, url] {
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
                });
            };
            simulator->requestApkUrl(package, storing, 0, 0);
        }
    }

    trace(12);
    return result;
}
