#pragma once

#include "hostrecords.h"

#include <QMetaType>

// What the host and the plug-in agree on by name rather than by type: the host plug-ins the
// plug-in looks up when it is bound, the plug-in's own identifiers, and the account signal it
// connects to by its signature. A host that differs in any of them gets a log line at most and
// goes without the service, so both sides take them from here.
namespace KvlHost {

// A host plug-in as the plug-in manager knows it (its QUuid, as text) and the interface
// identifier the plug-in casts its object to.
struct HostPluginId
{
    const char* iid;
    const char* uuid;
};

constexpr HostPluginId kAccountPlugin{"KVL.IAccount/1.0", "{91240a5d-8a30-46b6-b9db-40412ff98cc4}"};
constexpr HostPluginId kBrowserPlugin{"KVL.IBrowser/1.0", "{f4101670-6e1d-4e94-83a4-2a8c81b0ea90}"};
constexpr HostPluginId kBuriedpointPlugin{"KVL.IBuriedpoint/1.0", "{d648d6aa-6bfa-42fb-a488-27c34bedd784}"};
// The plug-in itself: the host registers it under the identifier its pluginUuid() returns.
constexpr HostPluginId kVornikPlugin{"KVL.IVornik/1.0", "{1864879f-972e-4fde-913a-1b7b8e7a448d}"};
constexpr HostPluginId kHttpDaoMgrPlugin{"KVL.IHttpDaoMgr/1.0", "{c16069d4-2677-4971-a0d4-cb915080ad6c}"};
constexpr HostPluginId kMainWindowPlugin{"KVL.IMainWindow/1.0", "{243c31c1-2d9b-56cb-adac-def801894f8e}"};
constexpr HostPluginId kMyGamePlugin{"KVL.IMyGame/1.0", "{92235871-54dd-40b0-a498-b813a284798e}"};
constexpr HostPluginId kSettingPlugin{"KVL.ISetting/1.0", "{2aa56a0e-6afc-36ec-8308-9fc0e2a2d9e8}"};
constexpr HostPluginId kSimulatorMgrPlugin{"KVL.ISimulatorMgr/1.0", "{7efbd8f1-de24-5ddc-83c5-24c0b1e0617e}"};
constexpr HostPluginId kStrategyPlugin{"KVL.IStrategy/1.0", "{66fe8a25-dc02-4806-a68d-537ec7a2b626}"};

// The interface identifier of the plug-in file's metadata, which a host's loader checks before it
// makes the instance. It is the browser interface's, although the browser entry above is
// another host plug-in.
constexpr char kVornikPluginFileIid[] = "KVL.IBrowser/1.0";

// The account service's signal source (IAccount::signalSource) declares this signal, normalized
// as Qt writes it; the plug-in connects to it by name.
constexpr char kAccountChangedSignal[] = "changeAccountInfo(ACCOUNTINFO)";

// The host calls this before the account signal can first be emitted from a thread other than
// the GUI thread's: a queued connection carries the record only under this registered name.
inline int registerContractTypes()
{
    return qRegisterMetaType<ACCOUNTINFO>("ACCOUNTINFO");
}

} // namespace KvlHost
