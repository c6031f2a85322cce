#include "standinplugin.h"

#include "hostcalllog.h"

StandInPlugin::StandInPlugin(const QUuid& uuid, const QString& iface, HostProfile* profile,
                             HostCallLog* log, QObject* parent)
    : QObject(parent)
    , m_uuid(uuid)
    , m_iface(iface)
    , m_profile(profile)
    , m_log(log)
{
    Q_ASSERT(profile);
    setObjectName(iface);
}

StandInPlugin::~StandInPlugin() = default;

QString StandInPlugin::interfaceName() const
{
    return m_iface;
}

HostProfile& StandInPlugin::profile() const
{
    return *m_profile;
}

QObject* StandInPlugin::pluginObject()
{
    return this;
}

QUuid StandInPlugin::pluginUuid() const
{
    return m_uuid;
}

void StandInPlugin::reservedHook(quintptr)
{
}

bool StandInPlugin::bindHost(IPluginManager*, quintptr)
{
    return true;
}

bool StandInPlugin::bindLanguage()
{
    return true;
}

bool StandInPlugin::acknowledgeFirst()
{
    return true;
}

bool StandInPlugin::bindAccount()
{
    return true;
}

bool StandInPlugin::acknowledgeSecond()
{
    return true;
}

void StandInPlugin::record(const QString& op, const QJsonArray& args) const
{
    if (m_log)
        m_log->record(m_iface, op, args);
}
