#include "hostregistry.h"

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
    const char* iid;
    const char* uuid;
    void* pointer = nullptr;
    bool nullReported = false;
};

// Lookup order is the host's: it decides the order of findPlugin calls a host can observe.
Entry g_entries[] = {
    {"KVL.IAccount/1.0", "{91240a5d-8a30-46b6-b9db-40412ff98cc4}"},
    {"KVL.IBrowser/1.0", "{f4101670-6e1d-4e94-83a4-2a8c81b0ea90}"},
    {"KVL.IBuriedpoint/1.0", "{d648d6aa-6bfa-42fb-a488-27c34bedd784}"},
    {"KVL.IVornik/1.0", "{1864879f-972e-4fde-913a-1b7b8e7a448d}"},
    {"KVL.IHttpDaoMgr/1.0", "{c16069d4-2677-4971-a0d4-cb915080ad6c}"},
    {"KVL.IMainWindow/1.0", "{243c31c1-2d9b-56cb-adac-def801894f8e}"},
    {"KVL.IMyGame/1.0", "{92235871-54dd-40b0-a498-b813a284798e}"},
    {"KVL.ISetting/1.0", "{2aa56a0e-6afc-36ec-8308-9fc0e2a2d9e8}"},
    {"KVL.ISimulatorMgr/1.0", "{7efbd8f1-de24-5ddc-83c5-24c0b1e0617e}"},
    {"KVL.IStrategy/1.0", "{66fe8a25-dc02-4806-a68d-537ec7a2b626}"},
};

enum Index { Account, Browser, Buriedpoint, Vornik, HttpDaoMgr, MainWindow, MyGame, Setting, SimulatorMgr, Strategy };

template <typename T>
T* entry(Index index)
{
    Entry& e = g_entries[index];
    if (!e.pointer && !e.nullReported) {
        e.nullReported = true;
        qWarning().noquote() << "host interface" << e.iid << "is not available; calls to it are skipped";
    }
    return static_cast<T*>(e.pointer);
}

} // namespace

namespace HostRegistry {

void bind(IPluginManager* manager)
{
    for (Entry& e : g_entries) {
        const QUuid uuid(QString::fromLatin1(e.uuid));
        if (!manager->findPlugin(uuid))
            continue;
        IPlugin* plugin = manager->findPlugin(uuid);
        QObject* object = plugin ? plugin->pluginObject() : nullptr;
        e.pointer = object ? object->qt_metacast(e.iid) : nullptr;
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
