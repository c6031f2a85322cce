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

void WebManager::dispatchCommand(const QString& event, QJsonObject& reply, const QJsonObject& command, int pageMask)
{
    if (event == kGetInstalledApps) {
        reply = buildInstalledApps();
    } else if (event == kGetVmList) {
        handleVmList(event, reply, command, pageMask);
    } else if (event == kInstallOrPlayAppforVm) {
        handleInstallOrPlay(event, reply, command, pageMask);
    } else if (event == kOpenCloudGame) {
        handleOpenCloudGame(event, reply, command, pageMask);
    } else if (event == kPushRealSearchResult) {
        handleRealSearchResult(event, reply, command, pageMask);
    } else if (event == kNotifyClientRefresh) {
        forEachMatchingPage(pageMask, [this, pageMask](int, const PageEntry&) {
            setViewsVisible(false, pageMask);
            domainTest(pageMask);
        });
    } else if (event == kCallClientToLogin) {
        if (IMainWindow* mainWindow = HostRegistry::mainWindow())
            mainWindow->showLogin();
    } else if (event == kGetUserToken) {
        handleUserToken(reply);
    } else if (event == kRefreshAccessToken) {
        if (IAccount* account = HostRegistry::account())
            account->refreshAccessToken();
    } else if (event == kGetLanguage) {
        handleLanguage(reply);
    } else if (event == kGetHostConfig) {
        handleHostConfig(reply);
    } else if (event == kGetClientConfig) {
        handleClientConfig(reply);
    } else if (event == kOpenStreamGame) {
        handleOpenStreamGame(event, reply, command, pageMask);
    } else if (event == kCloseClientLoading) {
        forEachMatchingPage(pageMask, [this, pageMask](int, const PageEntry& page) {
            if (page.spinner)
                page.spinner->stop();
            setViewsVisible(true, pageMask);
        });
    } else if (event == kOpenClientLoading) {
        forEachMatchingPage(pageMask, [this, pageMask](int, const PageEntry& page) {
            IMainWindow* mainWindow = HostRegistry::mainWindow();
            const bool suppressed = mainWindow && mainWindow->loadingSpinnerSuppressed();
            if (!suppressed && page.spinner)
                page.spinner->start();
            setViewsVisible(false, pageMask);
        });
    } else if (event == kCloseBootAnimation) {
        forEachMatchingPage(pageMask, [this](int type, const PageEntry&) {
            if (type != kOwnPageType)
                return;
            if (IMainWindow* mainWindow = HostRegistry::mainWindow())
                mainWindow->finishBootAnimation(true);
            routeToPage(currentPage, true);
        });
    } else if (event == kChangeBannerBackgroundImage) {
        BannerImageInfo info;
        fillRecordFromJson(dataObject(command), BannerImageKind, &info);
        if (IMainWindow* mainWindow = HostRegistry::mainWindow())
            mainWindow->changeBannerBackground(info);
    } else if (event == kServierWorkerUpdateSuccess) {
        qInfo().noquote() << "Web: servierWorkerUpdateSuccess";
        KLauncher::instance()->setClearWebCache(true);
    } else if (event == kOnSearchInGooglePlay) {
        const QString query = dataObject(command).value(QStringLiteral("query")).toString();
        if (IMainWindow* mainWindow = HostRegistry::mainWindow())
            mainWindow->searchInGooglePlay(query);
    } else if (event == kOpenShare) {
        // The system handler would open local files and programs just as readily; a share link
        // is a web address or nothing.
        const QUrl url(dataObject(command).value(QStringLiteral("url")).toString(), QUrl::TolerantMode);
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            QDesktopServices::openUrl(url);
        else
            qWarning().noquote() << "openShare: refused to open" << url.toString();
    } else if (event == kVKGameBack) {
        const QJsonObject data = dataObject(command);
        if (data.contains(QStringLiteral("mod_id"))) {
            if (IMyGame* myGame = HostRegistry::myGame())
                myGame->modGameBack(data.value(QStringLiteral("package")).toString());
        }
    } else if (event == QLatin1String("postStats")) {
        handlePostStats(command);
    } else if (event == kGetUserConfig) {
        handleUserConfig(reply);
    } else if (event == kPostWebVersionInfo) {
        handleWebVersionInfo(command);
    } else if (event == kOnWebLogger) {
        handleWebLogger(command);
    }
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
