#include "vornikplugin.h"

#include "../web/webmanager.h"
#include "hostregistry.h"
#include "ihttpdaomgr.h"
#include "klauncher.h"
#include "languagegate.h"

#include <utility>

VornikPlugin::VornikPlugin()
    : webManager(new WebManager(this))
    , languageGate(std::make_shared<LanguageGate>(this))
{
}

VornikPlugin::~VornikPlugin()
{
    // Close the gate first: a language change on another thread must not queue work for an
    // object that is going away.
    languageGate->close();
    for (const QMetaObject::Connection& connection : std::as_const(languageConnections))
        QObject::disconnect(connection);
    if (IHttpDaoMgr* http = KLauncher::instance()->getHttpDaoMgr())
        http->removeHandle(this);
}

QObject* VornikPlugin::pluginObject()
{
    return this;
}

QUuid VornikPlugin::pluginUuid() const
{
    return QUuid(QStringLiteral("{1864879f-972e-4fde-913a-1b7b8e7a448d}"));
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
