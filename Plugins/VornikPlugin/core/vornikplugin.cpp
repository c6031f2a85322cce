#include "vornikplugin.h"

#include "../web/webmanager.h"
#include "hostcontract.h"
#include "hostregistry.h"
#include "ihttpdaomgr.h"
#include "klauncher.h"
#include "languagegate.h"

#include <QCoreApplication>
#include <QSet>
#include <QTimer>

#include <utility>

namespace {

// Every plug-in object of the process, for the clean-up Qt runs when the application goes. Never
// destroyed: Qt may delete a plug-in object during its own clean-up at exit, after ours.
QSet<VornikPlugin*>& livePlugins()
{
    static auto* plugins = new QSet<VornikPlugin*>;
    return *plugins;
}

void releaseAllForShutdown()
{
    const QSet<VornikPlugin*> plugins = livePlugins();
    for (VornikPlugin* plugin : plugins)
        plugin->releaseForShutdown();
}

} // namespace

void VornikPlugin::watchApplicationEnd()
{
    // Qt runs these routines newest first when the application object goes, and the web engine
    // adds its own when its first page is made: ours must be newer, so it is added again then.
    qRemovePostRoutine(releaseAllForShutdown);
    qAddPostRoutine(releaseAllForShutdown);
}

VornikPlugin::VornikPlugin()
    : webManager(new WebManager(this))
    , languageGate(std::make_shared<LanguageGate>(this))
{
    livePlugins().insert(this);
    watchApplicationEnd();
}

VornikPlugin::~VornikPlugin()
{
    livePlugins().remove(this);
    // The routine lives in our library, which the host may unload once we are gone.
    if (livePlugins().isEmpty() && QCoreApplication::instance())
        qRemovePostRoutine(releaseAllForShutdown);
    // Close the gate first: a language change on another thread must not queue work for an
    // object that is going away.
    languageGate->close();
    for (const QMetaObject::Connection& connection : std::as_const(languageConnections))
        QObject::disconnect(connection);
    // After the application the host's services may be gone; they were let go of in time.
    if (!released)
        letGoOfHttpServices();
}

void VornikPlugin::letGoOfHttpServices()
{
    QList<IHttpDaoMgr*> services;
    if (IHttpDaoMgr* library = KLauncher::instance()->getHttpDaoMgr())
        services.append(library);
    if (sentThroughRegistry) {
        IHttpDaoMgr* registry = HostRegistry::httpDaoMgr();
        if (registry && !services.contains(registry))
            services.append(registry);
    }
    for (IHttpDaoMgr* service : std::as_const(services))
        service->removeHandle(this);
}

void VornikPlugin::releaseForShutdown()
{
    if (released)
        return;
    languageGate->close();
    for (const QMetaObject::Connection& connection : std::as_const(languageConnections))
        QObject::disconnect(connection);
    languageConnections.clear();
    letGoOfHttpServices();
    released = true;
    delete modedListRetry;
    modedListRetry = nullptr;
    webManager->releaseForShutdown();
}

QObject* VornikPlugin::pluginObject()
{
    return this;
}

QUuid VornikPlugin::pluginUuid() const
{
    return QUuid::fromString(QLatin1String(KvlHost::kVornikPlugin.uuid));
}

void VornikPlugin::reservedHook(quintptr)
{
}

bool VornikPlugin::bindHost(IPluginManager* manager, quintptr)
{
    if (!manager)
        return false;
    HostRegistry::bind(manager);
    return true;
}

bool VornikPlugin::acknowledgeFirst()
{
    return true;
}

bool VornikPlugin::acknowledgeSecond()
{
    return true;
}
