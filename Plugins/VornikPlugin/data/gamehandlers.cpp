#include "../web/webmanager.h"

#include "../core/hostregistry.h"
#include "hostrecords.h"
#include "iburiedpoint.h"
#include "imainwindow.h"
#include "imygame.h"
#include "istrategy.h"
#include "ivornik.h"

#include <QJsonArray>

namespace {

enum RecordKind { GameActionKind = 0, GameDetailKind = 1, SearchResultKind = 2 };
enum PlayLocation { LocalPlay = 1, CloudPlay = 2 };
constexpr int kSteamPlayedEvent = 6;
constexpr int kSteamGameKind = 3;
constexpr int kPlayChoiceReason = 5;

QString bannerLocation(const QJsonObject& command)
{
    return command.value(QStringLiteral("ga")).toObject().value(QStringLiteral("banner_location")).toString();
}

struct HandedOver
{
    GameActionInfo action;
    GameDetailInfo detail;
};

// Shared by install-or-play and open-in-the-cloud: the action, its share id and the game's detail.
HandedOver handOverGame(const QJsonObject& command, bool withApkUrl)
{
    const QJsonObject data = command.value(QStringLiteral("data")).toObject();
    GameActionInfo action;
    WebManager::fillRecordFromJson(data, GameActionKind, &action);
    action.gaBannerLocation = bannerLocation(command);
    if (withApkUrl) {
        // May run a nested event loop until the host's emulator manager answers.
        if (IVornik* vornik = HostRegistry::vornik())
            action.apkUrl = vornik->apkUrl(action.packageName, true);
    }
    IMyGame* myGame = HostRegistry::myGame();
    if (myGame)
        myGame->performGameAction(action);

    QString shareId = data.value(QStringLiteral("shareId")).toString();
    if (shareId.isEmpty())
        shareId = QStringLiteral("1");
    if (myGame)
        myGame->recordShareId(qMakePair(action.packageName, shareId));

    GameDetailInfo detail;
    WebManager::fillRecordFromJson(data, GameDetailKind, &detail);
    detail.gaBannerLocation = bannerLocation(command);
    if (myGame)
        myGame->addGameDetail(detail);
    return {action, detail};
}

} // namespace

void WebManager::handleInstallOrPlay(const QString&, QJsonObject&, const QJsonObject& command, int)
{
    const HandedOver game = handOverGame(command, true);
    if (IStrategy* strategy = HostRegistry::strategy())
        strategy->recordPlayChoice(game.action.instance, game.action.packageName, LocalPlay, kPlayChoiceReason);
}

void WebManager::handleOpenCloudGame(const QString&, QJsonObject&, const QJsonObject& command, int)
{
    const HandedOver game = handOverGame(command, false);
    if (IStrategy* strategy = HostRegistry::strategy())
        strategy->recordPlayChoice(QString(), game.detail.packageName, CloudPlay, kPlayChoiceReason);
}

void WebManager::handleOpenStreamGame(const QString&, QJsonObject&, const QJsonObject& command, int)
{
    const QString url = command.value(QStringLiteral("data")).toObject().value(QStringLiteral("steam_appp_url")).toString();
    PlayStatsInfo stats;
    stats.appId = url.split(QLatin1Char('/'), Qt::KeepEmptyParts).last();
    stats.event = kSteamPlayedEvent;
    stats.gameKind = kSteamGameKind;
    stats.bannerLocation = bannerLocation(command);
    if (IBuriedpoint* statistics = HostRegistry::buriedpoint())
        statistics->reportPlayEvent(stats);
    if (IMyGame* myGame = HostRegistry::myGame())
        myGame->openSteamGame(url);
}

void WebManager::handleRealSearchResult(const QString&, QJsonObject&, const QJsonObject& command, int)
{
    const QJsonArray data = command.value(QStringLiteral("data")).toArray();
    QList<SearchResultInfo> results;
    for (int i = 0; i < data.size(); ++i) {
        if (!data.at(i).isObject())
            continue;
        const QJsonObject game = data.at(i).toObject();
        if (game.value(QStringLiteral("is_promoted_app")).toBool(false))
            continue;
        SearchResultInfo info;
        fillRecordFromJson(game, SearchResultKind, &info);
        results.append(info);
    }
    if (IMainWindow* mainWindow = HostRegistry::mainWindow())
        mainWindow->pushRealSearchResults(results, searchContext);
}
