#pragma once

// The vocabulary shared with the page and the host. The page's script spells these names the
// same way (case included, typos included); keep both sides in step when one changes.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace VornikNames {

extern const QString kCallClientToLogin;
extern const QString kChangeBannerBackgroundImage;
extern const QString kClientGotoSearch;
extern const QString kClientRealSearch;
extern const QString kCloseBootAnimation;
extern const QString kCloseClientLoading;
extern const QString kGetClientConfig;
extern const QString kGetHostConfig;
extern const QString kGetInstalledApps;
extern const QString kGetLanguage;
extern const QString kGetUserConfig;
extern const QString kGetUserToken;
extern const QString kGetVmList;
extern const QString kInstallOrPlayAppforVm;
extern const QString kVKGameBack;
extern const QString kSetupMod;
extern const QString kSwitchToVKGame;
extern const QString kNotifyClientRefresh;
extern const QString kOnPageviewShow;
extern const QString kOnSearchInGooglePlay;
extern const QString kOnWebLogger;
extern const QString kOpenClientLoading;
extern const QString kOpenCloudGame;
extern const QString kOpenShare;
extern const QString kOpenStreamGame;
extern const QString kPageRouterTo;
extern const QString kPostWebVersionInfo;
extern const QString kPushRealSearchResult;
extern const QString kRefreshAccessToken;
extern const QString kServierWorkerUpdateSuccess;
extern const QString kUpdateInstalledAppsNotification;
extern const QString kUpdateLanguage;
extern const QString kUpdateUserConfig;
extern const QString kUpdateUserToken;

// Events that always reach the plug-in's own page, whatever mask the sender gave.
extern const QStringList kForcedEvents;

// Where the feature is not offered: system locale countries (QLocale::Country numbers) and
// home-region ISO 3166-1 codes.
extern const QList<int> kBlockedLocaleCountries;
extern const QStringList kBlockedRegionCodes;

// Numbering the host gives its statistics events, game kinds and play locations.
extern const QMap<int, QString> kStatsEvents;
extern const QMap<int, QString> kGameKinds;
extern const QMap<int, QString> kPlayLocations;

} // namespace VornikNames
