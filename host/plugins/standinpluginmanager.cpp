#include "standinpluginmanager.h"

#include "hostcalllog.h"

#include <QJsonArray>

// Stands in for a plug-in that is loaded but has no object to give.
// Final: IPlugin, like every host interface, has no virtual destructor, and the shared pointer
// deletes this type itself.
class StandInPluginManager::NullObjectPlugin final : public IPlugin
{
public:
    explicit NullObjectPlugin(const QUuid& uuid)
        : m_uuid(uuid)
    {
    }

    QObject* pluginObject() override { return nullptr; }
    QUuid pluginUuid() const override { return m_uuid; }
    void reservedHook(quintptr) override {}
    bool bindHost(IPluginManager*, quintptr) override { return true; }
    bool bindLanguage() override { return true; }
    bool acknowledgeFirst() override { return true; }
    bool bindAccount() override { return true; }
    bool acknowledgeSecond() override { return true; }

private:
    QUuid m_uuid;
};

StandInPluginManager::StandInPluginManager(HostCallLog* log, QObject* parent)
    : QObject(parent)
    , m_log(log)
{
}

StandInPluginManager::~StandInPluginManager() = default;

void StandInPluginManager::registerPlugin(IPlugin* plugin)
{
    if (!plugin)
        return;
    Entry entry;
    entry.plugin = plugin;
    entry.object = plugin->pluginObject();
    entry.hadObject = entry.object != nullptr;
    m_plugins.insert(plugin->pluginUuid(), entry);
}

void StandInPluginManager::unregisterPlugin(const QUuid& uuid)
{
    m_plugins.remove(uuid);
}

void StandInPluginManager::setAbsent(const QUuid& uuid, bool absent)
{
    if (absent)
        m_absent.insert(uuid);
    else
        m_absent.remove(uuid);
}

void StandInPluginManager::setNullObject(const QUuid& uuid, bool nullObject)
{
    if (nullObject)
        m_nullObjects.insert(uuid, std::make_shared<NullObjectPlugin>(uuid));
    else
        m_nullObjects.remove(uuid);
}

IPlugin* StandInPluginManager::findPlugin(const QUuid& uuid)
{
    if (m_log)
        m_log->record(QStringLiteral("IPluginManager"), QStringLiteral("findPlugin"),
                      QJsonArray{uuid.toString()});

    if (m_absent.contains(uuid))
        return nullptr;
    if (const auto nullObject = m_nullObjects.value(uuid))
        return nullObject.get();

    const auto it = m_plugins.constFind(uuid);
    if (it == m_plugins.constEnd())
        return nullptr;
    // The host unloads a plug-in by deleting it; it must not be handed out afterwards.
    if (it->hadObject && !it->object)
        return nullptr;
    return it->plugin;
}
