#pragma once

#include "iplugin.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <memory>

class HostCallLog;

// The host's plug-in manager: finds each loaded plug-in by its identifier. Test knobs make a
// plug-in absent, or make it answer a null plug-in object.
class StandInPluginManager : public QObject, public IPluginManager
{
    Q_OBJECT
    Q_INTERFACES(IPluginManager)
public:
    explicit StandInPluginManager(HostCallLog* log, QObject* parent = nullptr);
    ~StandInPluginManager() override;

    // Held under the plug-in's own pluginUuid(), replacing whatever was held there. A plug-in
    // whose object is destroyed is no longer found.
    void registerPlugin(IPlugin* plugin);
    void unregisterPlugin(const QUuid& uuid);

    // An absent plug-in is not found, whatever is registered.
    void setAbsent(const QUuid& uuid, bool absent);
    // findPlugin answers a plug-in whose pluginObject() is null.
    void setNullObject(const QUuid& uuid, bool nullObject);

    IPlugin* findPlugin(const QUuid& uuid) override;

private:
    struct Entry
    {
        IPlugin* plugin = nullptr;
        QPointer<QObject> object;
        bool hadObject = false;
    };
    class NullObjectPlugin;

    HostCallLog* m_log;
    QHash<QUuid, Entry> m_plugins;
    QSet<QUuid> m_absent;
    QHash<QUuid, std::shared_ptr<NullObjectPlugin>> m_nullObjects;
};
