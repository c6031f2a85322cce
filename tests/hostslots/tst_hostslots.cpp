// Every interface operation the plug-in calls, and every one the host calls on the plug-in, sits
// at the slot the host numbers it by: its place among the interface's virtual operations, counted
// from 0 in declaration order, base interface first, a virtual destructor once. A header with one
// operation more, less or elsewhere compiles and links, and then calls another operation.
#include "iaccount.h"
#include "iburiedpoint.h"
#include "ifiledownhandle.h"
#include "ihttpdaomgr.h"
#include "imainwindow.h"
#include "imygame.h"
#include "iplugin.h"
#include "isetting.h"
#include "isimulatormgr.h"
#include "istrategy.h"
#include "ivornik.h"

#include <QTest>

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

// The vtable entry a pointer to a virtual operation refers to. Under the Itanium C++ ABI (GCC,
// Clang, MinGW) such a pointer holds 1 plus the entry's byte offset; a virtual destructor takes
// two entries there, which the host's numbering counts as one. -1: not a virtual operation.
template <typename Pmf>
int entryOf(Pmf pmf)
{
    static_assert(sizeof(Pmf) == 2 * sizeof(std::uintptr_t), "not an Itanium C++ ABI member pointer");
    std::uintptr_t raw[2];
    std::memcpy(raw, &pmf, sizeof raw);
    return (raw[0] & 1) ? int((raw[0] - 1) / sizeof(void*)) : -1;
}

// Interfaces whose table has a virtual destructor, and the slot it takes.
template <typename I>
constexpr int destructorSlot()
{
    return std::is_same<I, IFileDownHandle>::value ? 0 : -1;
}

template <typename I, typename Pmf>
int slotOf(Pmf pmf)
{
    const int entry = entryOf(pmf);
    return entry > destructorSlot<I>() && destructorSlot<I>() >= 0 ? entry - 1 : entry;
}

} // namespace

class HostSlotsTest : public QObject
{
    Q_OBJECT

private slots:
    void operationAtItsSlot_data();
    void operationAtItsSlot();
};

#define SLOT_ROW(I, op, slot) QTest::newRow(#I "::" #op) << slotOf<I>(&I::op) << (slot)

void HostSlotsTest::operationAtItsSlot_data()
{
    QTest::addColumn<int>("found");
    QTest::addColumn<int>("expected");

    // Called by the host on the plug-in, then by the plug-in on the host; as the host numbers them.
    SLOT_ROW(IPlugin, pluginObject, 0); SLOT_ROW(IPlugin, pluginUuid, 1); SLOT_ROW(IPlugin, reservedHook, 2);
    SLOT_ROW(IPlugin, bindHost, 3); SLOT_ROW(IPlugin, bindLanguage, 4); SLOT_ROW(IPlugin, acknowledgeFirst, 5);
    SLOT_ROW(IPlugin, bindAccount, 6); SLOT_ROW(IPlugin, acknowledgeSecond, 7);
    SLOT_ROW(IVornik, createView, 0); SLOT_ROW(IVornik, startDomainTest, 1); SLOT_ROW(IVornik, sendToPage, 2);
    SLOT_ROW(IVornik, realSearch, 3); SLOT_ROW(IVornik, gotoSearch, 4); SLOT_ROW(IVornik, languageChanged, 5);
    SLOT_ROW(IVornik, setViewsVisible, 6); SLOT_ROW(IVornik, modedGameListDocument, 7);
    SLOT_ROW(IVornik, routeToPage, 8); SLOT_ROW(IVornik, pushInstalledApps, 9);
    SLOT_ROW(IVornik, emptyText, 10); SLOT_ROW(IVornik, updateOneButtonConfig, 11);
    SLOT_ROW(IVornik, switchToGame, 12); SLOT_ROW(IVornik, setupMod, 13); SLOT_ROW(IVornik, modedGameList, 14);
    SLOT_ROW(IVornik, apkUrl, 15); SLOT_ROW(IVornik, addModedGameListListener, 16);
    SLOT_ROW(IVornik, isAvailable, 17);
    SLOT_ROW(IFileDownHandle, downloadFinished, 1); SLOT_ROW(IFileDownHandle, downloadProgress, 2);
    SLOT_ROW(IFileDownHandle, downloadFailed, 3);
    SLOT_ROW(IPluginManager, findPlugin, 3);
    SLOT_ROW(IAccount, signalSource, 0); SLOT_ROW(IAccount, accountInfo, 3);
    SLOT_ROW(IAccount, refreshAccessToken, 5);
    SLOT_ROW(IBuriedpoint, reportUploadEffects, 0); SLOT_ROW(IBuriedpoint, reportEffectsTriggered, 1);
    SLOT_ROW(IBuriedpoint, reportModEvents, 2); SLOT_ROW(IBuriedpoint, reportActiveUsers, 3);
    SLOT_ROW(IBuriedpoint, reportPlayEvent, 6);
    SLOT_ROW(IHttpDaoMgr, sendRequest, 0); SLOT_ROW(IHttpDaoMgr, removeHandle, 4);
    SLOT_ROW(IMainWindow, showLogin, 15); SLOT_ROW(IMainWindow, currentPage, 16);
    SLOT_ROW(IMainWindow, finishBootAnimation, 19); SLOT_ROW(IMainWindow, changeBannerBackground, 20);
    SLOT_ROW(IMainWindow, loadingSpinnerSuppressed, 24); SLOT_ROW(IMainWindow, searchInGooglePlay, 29);
    SLOT_ROW(IMainWindow, pushRealSearchResults, 35);
    SLOT_ROW(IMyGame, uninstalledInstances, 5); SLOT_ROW(IMyGame, installedInstances, 6);
    SLOT_ROW(IMyGame, defaultEngines, 7); SLOT_ROW(IMyGame, instanceName, 8); SLOT_ROW(IMyGame, showPage, 20);
    SLOT_ROW(IMyGame, instanceType, 23); SLOT_ROW(IMyGame, openSteamGame, 24);
    SLOT_ROW(IMyGame, recordShareId, 41); SLOT_ROW(IMyGame, addGameDetail, 45);
    SLOT_ROW(IMyGame, performGameAction, 46); SLOT_ROW(IMyGame, modGameBack, 54);
    SLOT_ROW(ISetting, oneButtonConfig, 2); SLOT_ROW(ISetting, addSettingListener, 3);
    SLOT_ROW(ISimulatorMgr, requestApkUrl, 14); SLOT_ROW(ISimulatorMgr, clientVersion, 17);
    SLOT_ROW(ISimulatorMgr, installedApps, 21); SLOT_ROW(ISimulatorMgr, hasPlayStore, 31);
    SLOT_ROW(ISimulatorMgr, accountUserChanged, 41); SLOT_ROW(ISimulatorMgr, clientUuid, 63);
    SLOT_ROW(IStrategy, recordPlayChoice, 1); SLOT_ROW(IStrategy, systemConfig, 3);
}

void HostSlotsTest::operationAtItsSlot()
{
    QFETCH(int, found);
    QFETCH(int, expected);
    QVERIFY2(found >= 0, "not a virtual operation");
    QCOMPARE(found, expected);
}

QTEST_APPLESS_MAIN(HostSlotsTest)
#include "tst_hostslots.moc"
