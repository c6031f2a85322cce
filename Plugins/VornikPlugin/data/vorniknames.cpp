#include "vorniknames.h"

#include <QLocale>

namespace VornikNames {

const QString kCallClientToLogin = QStringLiteral("callClientToLogin");
const QString kChangeBannerBackgroundImage = QStringLiteral("changeBannerBackgroundImage");
const QString kClientGotoSearch = QStringLiteral("clientGotoSearch");
const QString kClientRealSearch = QStringLiteral("clientRealSearch");
const QString kCloseBootAnimation = QStringLiteral("closeBootAnimation");
const QString kCloseClientLoading = QStringLiteral("closeClientLoading");
const QString kGetClientConfig = QStringLiteral("getClientConfig");
const QString kGetHostConfig = QStringLiteral("getHostConfig");
const QString kGetInstalledApps = QStringLiteral("getInstalledApps");
const QString kGetLanguage = QStringLiteral("getLanguage");
const QString kGetUserConfig = QStringLiteral("getUserConfig");
const QString kGetUserToken = QStringLiteral("getUserToken");
const QString kGetVmList = QStringLiteral("getVmList");
const QString kInstallOrPlayAppforVm = QStringLiteral("installOrPlayAppforVm");
const QString kVKGameBack = QStringLiteral("VKGameBack");
const QString kSetupMod = QStringLiteral("setupMod");
const QString kSwitchToVKGame = QStringLiteral("switchToVKGame");
const QString kNotifyClientRefresh = QStringLiteral("notifyClientRefresh");
const QString kOnPageviewShow = QStringLiteral("onPageviewShow");
const QString kOnSearchInGooglePlay = QStringLiteral("onSearchInGooglePlay");
const QString kOnWebLogger = QStringLiteral("onWebLogger");
const QString kOpenClientLoading = QStringLiteral("openClientLoading");
const QString kOpenCloudGame = QStringLiteral("openCloudGame");
const QString kOpenShare = QStringLiteral("openShare");
const QString kOpenStreamGame = QStringLiteral("openStreamGame");
const QString kPageRouterTo = QStringLiteral("pageRouterTo");
const QString kPostWebVersionInfo = QStringLiteral("postWebVersionInfo");
const QString kPushRealSearchResult = QStringLiteral("pushRealSearchResult");
const QString kRefreshAccessToken = QStringLiteral("refreshAccessToken");
const QString kServierWorkerUpdateSuccess = QStringLiteral("servierWorkerUpdateSuccess");
const QString kUpdateInstalledAppsNotification = QStringLiteral("updateInstalledAppsNotification");
const QString kUpdateLanguage = QStringLiteral("updateLanguage");
const QString kUpdateUserConfig = QStringLiteral("updateUserConfig");
const QString kUpdateUserToken = QStringLiteral("updateUserToken");

const QStringList kForcedEvents = {
    kGetInstalledApps,
    kGetVmList,
    kGetUserToken,
    kRefreshAccessToken,
    kGetLanguage,
    kCloseClientLoading,
    kUpdateUserToken,
    kUpdateInstalledAppsNotification,
    kOpenClientLoading,
};

// By name, not number: Qt 6 renumbered QLocale::Country (Japan is 108 in Qt 5.15, 120 in Qt 6), and
// the number of Qt 5.15's Japan names another country in Qt 6.
const QList<int> kBlockedLocaleCountries = {QLocale::Japan};
const QStringList kBlockedRegionCodes = {QStringLiteral("JP")};

const QMap<int, QString> kStatsEvents = {
    {0, QStringLiteral("Android_AppInstall")},
    {1, QStringLiteral("Android_AppInstallFinished")},
    {2, QStringLiteral("Android_AppInstallStarted")},
    {3, QStringLiteral("Android_Played")},
    {4, QStringLiteral("Android_AppUninstalled")},
    {5, QStringLiteral("Android_Install_InNewIns")},
    {6, QStringLiteral("Steam_Played")},
    {7, QStringLiteral("Cloud_Played")},
    {8, QStringLiteral("Cloud_Clicked")},
    {9, QStringLiteral("OneButton_Clicked")},
    {10, QStringLiteral("Apk_Download_Started")},
    {11, QStringLiteral("Apk_Download_Finished")},
    {12, QStringLiteral("Apk_Download_Close")},
    {13, QStringLiteral("KV5_OptionalUpgrade_Close")},
    {14, QStringLiteral("KV5_ForcedUpgrade_Close")},
    {15, QStringLiteral("VK_Popup_Close")},
    {16, QStringLiteral("Grm_KV5_ForcedUpgrade_Close")},
    {17, QStringLiteral("Grm_KVQ_ForcedUpgrade_Close")},
    {18, QStringLiteral("Grm_Game_Install_Close")},
    {19, QStringLiteral("Engine_InstallWorkFlow_Normal")},
    {20, QStringLiteral("Engine_InstallWorkFlow_InsertNewImage")},
    {21, QStringLiteral("Engine_InstallWorkFlow_ForceUpdate")},
    {22, QStringLiteral("Engine_InstallWorkFlow_OptionalUpdate_UpgradeNow")},
    {23, QStringLiteral("Engine_InstallWorkFlow_OptionalUpdate_Later")},
    {24, QStringLiteral("Engine_InstallWorkFlow_OptionalUpdate_Later_NeverChecked")},
    {25, QStringLiteral("Engine_InstallWorkFlow_Completed")},
    {26, QStringLiteral("Engine_InstallWorkFlow_CompletedWithBridgeDownloadFailed")},
    {27, QStringLiteral("Engine_Download_Started")},
    {28, QStringLiteral("Engine_Download_Finished")},
    {29, QStringLiteral("Engine_AutoDownload_Started")},
    {30, QStringLiteral("Engine_AutoDownload_Finished")},
    {31, QStringLiteral("Engine_Install_Started")},
    {32, QStringLiteral("Engine_Install_Finished")},
    {33, QStringLiteral("Engine_Install_NewImage_Finished")},
    {34, QStringLiteral("Engine_Install_NewImage_Close")},
    {35, QStringLiteral("Engine_Install_Failed")},
    {36, QStringLiteral("Engine_Installed_StartedToInstallAPP")},
    {37, QStringLiteral("Engine_Installed_StartedToPlayAPP")},
    {38, QStringLiteral("Engine_Installed_StartedToGGP")},
    {40, QStringLiteral("Engine_Installed_StartedMIM")},
    {39, QStringLiteral("Engine_Installed_Started")},
    {41, QStringLiteral("Login_Started")},
    {42, QStringLiteral("Login_GoogleClicked")},
    {43, QStringLiteral("Login_DiscordClicked")},
    {44, QStringLiteral("Login_FaceBookClicked")},
    {45, QStringLiteral("Login_Successfully")},
    {46, QStringLiteral("Login_Logout")},
    {47, QStringLiteral("Login_Cloud_Started")},
    {48, QStringLiteral("Login_Cloud_Successfully")},
    {49, QStringLiteral("Login_Aborted")},
    {50, QStringLiteral("Login_TPLoaded")},
};

const QMap<int, QString> kGameKinds = {
    {0, QString()},
    {1, QStringLiteral("Android_Game")},
    {2, QStringLiteral("Cloud_Game")},
    {3, QStringLiteral("Steam_Game")},
};

const QMap<int, QString> kPlayLocations = {
    {0, QString()},
    {1, QStringLiteral("Local")},
    {2, QStringLiteral("Cloud")},
};

} // namespace VornikNames
