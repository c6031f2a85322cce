#include "hostregistry.h"

#include "hostcontract.h"
#include "iaccount.h"
#include "iburiedpoint.h"
#include "ihttpdaomgr.h"
#include "imainwindow.h"
#include "imygame.h"
#include "iplugin.h"
#include "isetting.h"
#include "isimulatormgr.h"
#include "istrategy.h"
#include "ivornik.h"

#include <QDebug>
#include <QObject>
#include <QUuid>

namespace {

struct Entry
{
    KvlHost::HostPluginId id;
    void* pointer = nullptr;
    bool nullReported = false;
};

// Lookup order is the host's: it decides the order of findPlugin calls a host can observe.
Entry g_entries[] = {
    {KvlHost::kAccountPlugin},     {KvlHost::kBrowserPlugin}, {KvlHost::kBuriedpointPlugin},
    {KvlHost::kVornikPlugin},      {KvlHost::kHttpDaoMgrPlugin}, {KvlHost::kMainWindowPlugin},
    {KvlHost::kMyGamePlugin},      {KvlHost::kSettingPlugin}, {KvlHost::kSimulatorMgrPlugin},
    {KvlHost::kStrategyPlugin},
};

enum Index { Account, Browser, Buriedpoint, Vornik, HttpDaoMgr, MainWindow, MyGame, Setting, SimulatorMgr, Strategy };

template <typename T>
T* entry(Index index)
{
    Entry& e = g_entries[index];
    if (!e.pointer && !e.nullReported) {
        e.nullReported = true;
        qWarning().noquote() << "host interface" << e.id.iid << "is not available; calls to it are skipped";
    }
    return static_cast<T*>(e.pointer);
}

} // namespace

namespace HostRegistry {

void bind(IPluginManager* manager)
{
    for (Entry& e : g_entries) {
        const QUuid uuid(QString::fromLatin1(e.id.uuid));
        if (!manager->findPlugin(uuid))
            continue;
        IPlugin* plugin = manager->findPlugin(uuid);
        QObject* object = plugin ? plugin->pluginObject() : nullptr;
        e.pointer = object ? object->qt_metacast(e.id.iid) : nullptr;
    }
}

IAccount* account() { return entry<IAccount>(Account); }
IBrowser* browser() { return entry<IBrowser>(Browser); }
IBuriedpoint* buriedpoint() { return entry<IBuriedpoint>(Buriedpoint); }
IVornik* vornik() { return entry<IVornik>(Vornik); }
IHttpDaoMgr* httpDaoMgr() { return entry<IHttpDaoMgr>(HttpDaoMgr); }
IMainWindow* mainWindow() { return entry<IMainWindow>(MainWindow); }
IMyGame* myGame() { return entry<IMyGame>(MyGame); }
ISetting* setting() { return entry<ISetting>(Setting); }
ISimulatorMgr* simulatorMgr() { return entry<ISimulatorMgr>(SimulatorMgr); }
IStrategy* strategy() { return entry<IStrategy>(Strategy); }

} // namespace HostRegistry
