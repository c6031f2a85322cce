#include "standinsimulatormgr.h"

#include "hostcontract.h"
#include "hostprofile.h"

#include <QThread>
#include <QTimer>

#include <utility>

QUuid StandInSimulatorMgr::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kSimulatorMgrPlugin.uuid));
}

StandInSimulatorMgr::StandInSimulatorMgr(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("ISimulatorMgr"), profile, log, parent)
{
}

void StandInSimulatorMgr::setApkAnswerMode(ApkAnswerMode mode)
{
    m_apkAnswerMode = mode;
}

StandInSimulatorMgr::ApkAnswerMode StandInSimulatorMgr::apkAnswerMode() const
{
    return m_apkAnswerMode;
}

void StandInSimulatorMgr::requestApkUrl(const QString& package, std::function<void(const QString&)> callback,
                                        int reserved, int waiting)
{
    record(QStringLiteral("requestApkUrl"), {package, static_cast<bool>(callback), reserved, waiting});
    if (!callback)
        return;

    // The address as the profile has it when asked; a package without one gets "".
    const QString url = m_apkFailing ? QString() : profile().apkUrls.value(package);
    if (m_apkAnswerMode == ApkAnswerMode::OwnThread) {
        answerThread();
        QTimer::singleShot(m_apkDelayMs, m_answerContext, [callback, url] { callback(url); });
        return;
    }
    if (m_apkDelayMs > 0 && m_apkAnswerMode != ApkAnswerMode::Never) {
        QTimer::singleShot(m_apkDelayMs, this, [callback, url] { callback(url); });
        return;
    }
    switch (m_apkAnswerMode) {
    case ApkAnswerMode::Later:
        // The host looks the address up asynchronously and answers on its GUI thread; the timer
        // dies with this object, so no answer reaches a caller after the host is gone.
        QTimer::singleShot(0, this, [callback, url] { callback(url); });
        break;
    case ApkAnswerMode::Inside:
        callback(url);
        break;
    case ApkAnswerMode::Never:
        m_heldApkRequests.append(qMakePair(package, callback));
        break;
    case ApkAnswerMode::Twice:
        QTimer::singleShot(0, this, [callback, url] {
            callback(url);
            callback(url);
        });
        break;
    case ApkAnswerMode::OwnThread:
        break;
    }
}

StandInSimulatorMgr::~StandInSimulatorMgr()
{
    if (!m_answerThread)
        return;
    // Joined before the callbacks it might still run lose what they point to.
    m_answerThread->quit();
    m_answerThread->wait();
    delete m_answerContext;
    delete m_answerThread;
}

QThread* StandInSimulatorMgr::answerThread()
{
    if (!m_answerThread) {
        m_answerThread = new QThread;
        m_answerThread->setObjectName(QStringLiteral("emulator manager"));
        m_answerContext = new QObject;
        m_answerContext->moveToThread(m_answerThread);
        m_answerThread->start();
    }
    return m_answerThread;
}

void StandInSimulatorMgr::setApkDelay(int delayMs)
{
    m_apkDelayMs = qMax(0, delayMs);
}

int StandInSimulatorMgr::apkDelay() const
{
    return m_apkDelayMs;
}

void StandInSimulatorMgr::setApkFailing(bool failing)
{
    m_apkFailing = failing;
}

bool StandInSimulatorMgr::apkFailing() const
{
    return m_apkFailing;
}

int StandInSimulatorMgr::answerHeldApkRequests()
{
    const auto held = std::exchange(m_heldApkRequests, {});
    for (const auto& request : held)
        request.second(profile().apkUrls.value(request.first));
    return held.size();
}

QString StandInSimulatorMgr::clientVersion()
{
    record(QStringLiteral("clientVersion"));
    return profile().clientVersion;
}

QMap<QString, QList<InstalledAppInfo>> StandInSimulatorMgr::installedApps()
{
    record(QStringLiteral("installedApps"));
    QMap<QString, QList<InstalledAppInfo>> apps;
    for (const HostInstance& instance : qAsConst(profile().instances)) {
        QList<InstalledAppInfo>& list = apps[instance.id];
        for (const QString& package : instance.apps) {
            InstalledAppInfo info;
            info.packageName = package;
            // The profile knows packages only; a name is needed all the same.
            info.appName = package;
            list.append(info);
        }
    }
    return apps;
}

bool StandInSimulatorMgr::hasPlayStore()
{
    record(QStringLiteral("hasPlayStore"));
    return profile().hasPlayStore;
}

void StandInSimulatorMgr::accountUserChanged(const QString& first, const QString& userId, const QString& third)
{
    record(QStringLiteral("accountUserChanged"), {first, userId, third});
}

QUuid StandInSimulatorMgr::clientUuid()
{
    record(QStringLiteral("clientUuid"));
    return profile().clientUuid;
}
