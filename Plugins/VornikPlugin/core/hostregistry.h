#pragma once

class IAccount;
class IBrowser;
class IBuriedpoint;
class IHttpDaoMgr;
class IMainWindow;
class IMyGame;
class IPluginManager;
class ISetting;
class ISimulatorMgr;
class IStrategy;
class IVornik;

// Process-wide table of the host's plug-in interfaces, filled by bindHost on the GUI thread and
// outliving any one plug-in object. The accessors return the entry as it stands; a null entry is
// reported once per interface and process, so a host that lacks a plug-in is visible in the log
// without flooding it. Callers skip the call (and what depends on it) when they get null.
namespace HostRegistry {

void bind(IPluginManager* manager);

IAccount* account();
IBrowser* browser();
IBuriedpoint* buriedpoint();
IVornik* vornik();
IHttpDaoMgr* httpDaoMgr();
IMainWindow* mainWindow();
IMyGame* myGame();
ISetting* setting();
ISimulatorMgr* simulatorMgr();
IStrategy* strategy();

} // namespace HostRegistry
