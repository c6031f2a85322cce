#include "webmanager.h"

#include "../core/hostregistry.h"
#include "../data/vorniknames.h"
#include "iaccount.h"
#include "imainwindow.h"
#include "imygame.h"
#include "klauncher.h"
#include "hostrecords.h"
#include "waitloading.h"

#include <QDebug>
#include <QDesktopServices>
#include <QUrl>

using namespace VornikNames;

namespace {

enum RecordKind { BannerImageKind = 3 };

QJsonObject dataObject(const QJsonObject& command)
{
    return command.value(QStringLiteral("data")).toObject();
}

} // namespace

bool WebManager::dispatchCommand(const QString& event, QJsonObject& reply, const QJsonObject& command, int pageMask,
                                 const Completion& complete)
{
    bool pending = false;
    const auto handler = commandTable().constFind(event);
    if (handler != commandTable().constEnd())
        (*handler)(*this, Command{event, reply, command, pageMask, complete, pending});
    return pending;
}

const QHash<QString, WebManager::CommandHandler>& WebManager::commandTable()
{
    // Every handler the page can reach, by its event name. Names are unique, so a look-up finds
    // the same handler a walk in the protocol's order would.
    static const QHash<QString, CommandHandler> table = {
        {kGetInstalledApps, [](WebManager& m, const Command& c) { c.reply = m.buildInstalledApps(); }},
        {kGetVmList, [](WebManager& m, const Command& c) { m.handleVmList(c.event, c.reply, c.json, c.pageMask); }},
        {kInstallOrPlayAppforVm,
         [](WebManager& m, const Command& c) { c.pending = m.handleInstallOrPlay(c.json, c.complete); }},
        {kOpenCloudGame,
         [](WebManager& m, const Command& c) { m.handleOpenCloudGame(c.event, c.reply, c.json, c.pageMask); }},
        {kPushRealSearchResult,
         [](WebManager& m, const Command& c) { m.handleRealSearchResult(c.event, c.reply, c.json, c.pageMask); }},
        {kNotifyClientRefresh,
         [](WebManager& m, const Command& c) {
             m.forEachMatchingPage(c.pageMask, [&m, mask = c.pageMask](int, const PageEntry&) {
                 m.setViewsVisible(false, mask);
                 m.domainTest(mask);
             });
         }},
        {kCallClientToLogin,
         [](WebManager&, const Command&) {
             if (IMainWindow* mainWindow = HostRegistry::mainWindow())
                 mainWindow->showLogin();
         }},
        {kGetUserToken, [](WebManager& m, const Command& c) { m.handleUserToken(c.reply); }},
        {kRefreshAccessToken,
         [](WebManager&, const Command&) {
             if (IAccount* account = HostRegistry::account())
                 account->refreshAccessToken();
         }},
        {kGetLanguage, [](WebManager& m, const Command& c) { m.handleLanguage(c.reply); }},
        {kGetHostConfig, [](WebManager& m, const Command& c) { m.handleHostConfig(c.reply); }},
        {kGetClientConfig, [](WebManager& m, const Command& c) { m.handleClientConfig(c.reply); }},
        {kOpenStreamGame,
         [](WebManager& m, const Command& c) { m.handleOpenStreamGame(c.event, c.reply, c.json, c.pageMask); }},
        {kCloseClientLoading,
         [](WebManager& m, const Command& c) {
             m.forEachMatchingPage(c.pageMask, [&m, mask = c.pageMask](int, const PageEntry& page) {
                 if (page.spinner)
                     page.spinner->stop();
                 m.setViewsVisible(true, mask);
             });
         }},
        {kOpenClientLoading,
         [](WebManager& m, const Command& c) {
             m.forEachMatchingPage(c.pageMask, [&m, mask = c.pageMask](int, const PageEntry& page) {
                 IMainWindow* mainWindow = HostRegistry::mainWindow();
                 const bool suppressed = mainWindow && mainWindow->loadingSpinnerSuppressed();
                 if (!suppressed && page.spinner)
                     page.spinner->start();
                 m.setViewsVisible(false, mask);
             });
         }},
        {kCloseBootAnimation,
         [](WebManager& m, const Command& c) {
             m.forEachMatchingPage(c.pageMask, [&m](int type, const PageEntry&) {
                 if (type != kOwnPageType)
                     return;
                 if (IMainWindow* mainWindow = HostRegistry::mainWindow())
                     mainWindow->finishBootAnimation(true);
                 m.routeToPage(m.currentPage, true);
             });
         }},
        {kChangeBannerBackgroundImage,
         [](WebManager&, const Command& c) {
             BannerImageInfo info;
             fillRecordFromJson(dataObject(c.json), BannerImageKind, &info);
             if (IMainWindow* mainWindow = HostRegistry::mainWindow())
                 mainWindow->changeBannerBackground(info);
         }},
        {kServierWorkerUpdateSuccess,
         [](WebManager&, const Command&) {
             qInfo().noquote() << "Web: servierWorkerUpdateSuccess";
             KLauncher::instance()->setClearWebCache(true);
         }},
        {kOnSearchInGooglePlay,
         [](WebManager&, const Command& c) {
             const QString query = dataObject(c.json).value(QStringLiteral("query")).toString();
             if (IMainWindow* mainWindow = HostRegistry::mainWindow())
                 mainWindow->searchInGooglePlay(query);
         }},
        {kOpenShare,
         [](WebManager&, const Command& c) {
             // The system handler would open local files and programs just as readily; a share
             // link is a web address or nothing.
             const QUrl url(dataObject(c.json).value(QStringLiteral("url")).toString(), QUrl::TolerantMode);
             if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
                 QDesktopServices::openUrl(url);
             else
                 qWarning().noquote() << "openShare: refused to open" << url.toString();
         }},
        {kVKGameBack,
         [](WebManager&, const Command& c) {
             const QJsonObject data = dataObject(c.json);
             if (!data.contains(QStringLiteral("mod_id")))
                 return;
             if (IMyGame* myGame = HostRegistry::myGame())
                 myGame->modGameBack(data.value(QStringLiteral("package")).toString());
         }},
        {QStringLiteral("postStats"), [](WebManager& m, const Command& c) { m.handlePostStats(c.json); }},
        {kGetUserConfig, [](WebManager& m, const Command& c) { m.handleUserConfig(c.reply); }},
        {kPostWebVersionInfo, [](WebManager& m, const Command& c) { m.handleWebVersionInfo(c.json); }},
        {kOnWebLogger, [](WebManager& m, const Command& c) { m.handleWebLogger(c.json); }},
    };
    return table;
}

bool WebManager::routeToPage(int page, bool force)
{
    if (!force && currentPage == page)
        return false;
    const bool result = currentPage != kOwnPageType;
    currentPage = page;
    if (page == kOwnPageType) {
        sendToPage(kOwnPageType, kOnPageviewShow, QJsonObject{{QStringLiteral("preview"), QStringLiteral("show")}});
        return result;
    }
    QString route = QStringLiteral("home");
    if (page == 4)
        route = QStringLiteral("gameCenter");
    else if (page == 2)
        route = QStringLiteral("cloudGame");
    sendToPage(7, kPageRouterTo, QJsonObject{{QStringLiteral("path"), route}});
    sendToPage(kOwnPageType, kOnPageviewShow, QJsonObject{{QStringLiteral("preview"), QStringLiteral("hide")}});
    return result;
}

void WebManager::gotoSearch(const QString& query)
{
    const QJsonObject data{{QStringLiteral("query"), query}};
    IMainWindow* mainWindow = HostRegistry::mainWindow();
    if (!mainWindow)
        return;
    sendToPage(mainWindow->currentPage(), kClientGotoSearch, data);
}

void WebManager::realSearch(const QString& query, const QVariant& context)
{
    const QJsonObject data{{QStringLiteral("query"), query}};
    if (IMainWindow* mainWindow = HostRegistry::mainWindow())
        sendToPage(mainWindow->currentPage(), kClientRealSearch, data);
    searchContext = context;
}
