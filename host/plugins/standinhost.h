#pragma once

#include "hostprofile.h"
#include "standinpluginmanager.h"

#include <QObject>
#include <QUuid>

class HostCallLog;
class HostHttpService;
class StandInAccount;
class StandInBrowser;
class StandInBuriedpoint;
class StandInMainWindow;
class StandInMyGame;
class StandInSetting;
class StandInSimulatorMgr;
class StandInStrategy;

// The launcher host as far as a plug-in can see it: every host plug-in, the HTTP service and the
// plug-in manager, answering from one profile and writing every call to one log.
class StandInHost : public QObject
{
    Q_OBJECT
public:
    // Without a log of its own the host keeps one.
    explicit StandInHost(const HostProfile& profile, HostCallLog* log = nullptr, QObject* parent = nullptr);
    ~StandInHost() override;

    // Puts the profile's configuration, host map and language into the host service library
    // and makes this host's HTTP service the library's.
    void applyProfile();
    // From now on the calls made into the service library's own services (KLauncher) are
    // recorded in this host's log too, until this host goes. Those services are one per
    // process: a process with one host (the launcher) asks for this, while tests that keep
    // several hosts leave it off, so no host's log gets another's calls.
    void recordServiceCalls();

    // What the host hands to a plug-in's bindHost.
    StandInPluginManager* pluginManager() const;
    // A loaded plug-in, found under its own pluginUuid(); the launcher holds the Vornik plug-in so.
    void registerPlugin(IPlugin* plugin);
    void unregisterPlugin(const QUuid& uuid);
    void setAbsent(const QUuid& uuid, bool absent);
    void setNullObject(const QUuid& uuid, bool nullObject);

    // Unkind hosts, each off until asked for. The registry's HTTP service becomes an object of
    // its own, apart from the service library's (as a host is free to make it); both record into
    // the log. Call before the plug-in is bound.
    void separateRegistryHttp();
    HostHttpService* registryHttp() const;
    // Holds the GUI thread busy for holdMs, starting afterMs from now, as a host loading its game
    // library does.
    void holdGuiThread(int holdMs, int afterMs = 0);
    // Fills Qt's global thread pool with count tasks of the host's own, taskMs long each.
    static void fillGlobalPool(int count, int taskMs);

    // Read live by every stand-in: a change shows in the next answer.
    HostProfile& profile();
    HostCallLog* log() const;

    StandInAccount* account() const;
    StandInBrowser* browser() const;
    StandInBuriedpoint* buriedpoint() const;
    HostHttpService* http() const;
    StandInMainWindow* mainWindow() const;
    StandInMyGame* myGame() const;
    StandInSetting* setting() const;
    StandInSimulatorMgr* simulator() const;
    StandInStrategy* strategy() const;

private:
    HostProfile m_profile;
    HostCallLog* m_log;
    StandInPluginManager* m_manager;
    HostHttpService* m_http;
    HostHttpService* m_registryHttp = nullptr;
    StandInAccount* m_account;
    StandInBrowser* m_browser;
    StandInBuriedpoint* m_buriedpoint;
    StandInMainWindow* m_mainWindow;
    StandInMyGame* m_myGame;
    StandInSetting* m_setting;
    StandInSimulatorMgr* m_simulator;
    StandInStrategy* m_strategy;
};
