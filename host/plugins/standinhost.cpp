#include "standinhost.h"

#include "hostcalllog.h"
#include "hosthttpservice.h"
#include "klauncher.h"
#include "language.h"
#include "servicecallrecorder.h"
#include "standinaccount.h"
#include "standinbrowser.h"
#include "standinburiedpoint.h"
#include "standinmainwindow.h"
#include "standinmygame.h"
#include "standinpluginmanager.h"
#include "standinsetting.h"
#include "standinsimulatormgr.h"
#include "standinstrategy.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

StandInHost::StandInHost(const HostProfile& profile, HostCallLog* log, QObject* parent)
    : QObject(parent)
    , m_profile(profile)
    , m_log(log ? log : new HostCallLog(this))
    , m_manager(new StandInPluginManager(m_log, this))
    , m_http(new HostHttpService(this))
    , m_account(new StandInAccount(&m_profile, m_log, this))
    , m_browser(new StandInBrowser(&m_profile, m_log, this))
    , m_buriedpoint(new StandInBuriedpoint(&m_profile, m_log, this))
    , m_mainWindow(new StandInMainWindow(&m_profile, m_log, this))
    , m_myGame(new StandInMyGame(&m_profile, m_log, this))
    , m_setting(new StandInSetting(&m_profile, m_log, this))
    , m_simulator(new StandInSimulatorMgr(&m_profile, m_log, this))
    , m_strategy(new StandInStrategy(&m_profile, m_log, this))
{
    HostCallLog* callLog = m_log;
    m_http->setRecorder([callLog](const QString& op, const QJsonArray& args) {
        callLog->record(QStringLiteral("IHttpDaoMgr"), op, args);
    });

    const QList<IPlugin*> plugins{m_account, m_browser, m_buriedpoint, m_http, m_mainWindow,
                                  m_myGame, m_setting, m_simulator, m_strategy};
    for (IPlugin* plugin : plugins)
        m_manager->registerPlugin(plugin);
}

StandInHost::~StandInHost()
{
    ServiceCallRecorder::remove(this);
    KLauncher* launcher = KLauncher::instance();
    if (launcher->getHttpDaoMgr() == m_http)
        launcher->setHttpDaoMgr(nullptr);
    // The services join their workers here, while the log they record into still exists.
    m_http->setRecorder(nullptr);
    delete m_http;
    if (m_registryHttp) {
        m_registryHttp->setRecorder(nullptr);
        delete m_registryHttp;
    }
}

void StandInHost::separateRegistryHttp()
{
    if (m_registryHttp)
        return;
    m_registryHttp = new HostHttpService(this);
    HostCallLog* callLog = m_log;
    // Told apart in the log by a name of its own.
    m_registryHttp->setRecorder([callLog](const QString& op, const QJsonArray& args) {
        callLog->record(QStringLiteral("IHttpDaoMgr (registry)"), op, args);
    });
    m_manager->registerPlugin(m_registryHttp);
}

HostHttpService* StandInHost::registryHttp() const
{
    return m_registryHttp ? m_registryHttp : m_http;
}

void StandInHost::holdGuiThread(int holdMs, int afterMs)
{
    QTimer::singleShot(afterMs, this, [holdMs] {
        QElapsedTimer held;
        held.start();
        // Busy, not asleep: the thread does host work and serves no event meanwhile.
        while (held.elapsed() < holdMs) {
        }
    });
}

void StandInHost::fillGlobalPool(int count, int taskMs)
{
    for (int i = 0; i < count; ++i)
        QThreadPool::globalInstance()->start(std::function<void()>([taskMs] { QThread::msleep(taskMs); }));
}

void StandInHost::applyProfile()
{
    KLauncher* launcher = KLauncher::instance();
    for (auto it = m_profile.appConfig.cbegin(); it != m_profile.appConfig.cend(); ++it)
        launcher->setAppConfigValue(static_cast<AppConfig>(it.key()), it.value());
    launcher->getHostMap() = m_profile.hostMap;
    launcher->setHttpDaoMgr(m_http);

    // Listeners hear about a language only when it really changes.
    if (Language::instance()->getCurrentLD().languageCode != m_profile.language)
        Language::instance()->setCurrentLanguage(m_profile.language);
}

void StandInHost::recordServiceCalls()
{
    HostCallLog* callLog = m_log;
    ServiceCallRecorder::install(this, [callLog](const QString& iface, const QString& op, const QJsonArray& args) {
        callLog->record(iface, op, args);
    });
}

StandInPluginManager* StandInHost::pluginManager() const
{
    return m_manager;
}

void StandInHost::registerPlugin(IPlugin* plugin)
{
    m_manager->registerPlugin(plugin);
}

void StandInHost::unregisterPlugin(const QUuid& uuid)
{
    m_manager->unregisterPlugin(uuid);
}

void StandInHost::setAbsent(const QUuid& uuid, bool absent)
{
    m_manager->setAbsent(uuid, absent);
}

void StandInHost::setNullObject(const QUuid& uuid, bool nullObject)
{
    m_manager->setNullObject(uuid, nullObject);
}

HostProfile& StandInHost::profile()
{
    return m_profile;
}

HostCallLog* StandInHost::log() const
{
    return m_log;
}

StandInAccount* StandInHost::account() const
{
    return m_account;
}

StandInBrowser* StandInHost::browser() const
{
    return m_browser;
}

StandInBuriedpoint* StandInHost::buriedpoint() const
{
    return m_buriedpoint;
}

HostHttpService* StandInHost::http() const
{
    return m_http;
}

StandInMainWindow* StandInHost::mainWindow() const
{
    return m_mainWindow;
}

StandInMyGame* StandInHost::myGame() const
{
    return m_myGame;
}

StandInSetting* StandInHost::setting() const
{
    return m_setting;
}

StandInSimulatorMgr* StandInHost::simulator() const
{
    return m_simulator;
}

StandInStrategy* StandInHost::strategy() const
{
    return m_strategy;
}
