#include "../web/webmanager.h"

#include "../core/hostregistry.h"
#include "../core/vornikplugin.h"
#include "hostrecords.h"
#include "iburiedpoint.h"
#include "imainwindow.h"
#include "imygame.h"
#include "istrategy.h"
#include "ivornik.h"

#include <QJsonArray>

#include <memory>

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

GameActionInfo gameAction(const QJsonObject& command)
{
    GameActionInfo action;
    WebManager::fillRecordFromJson(command.value(QStringLiteral("data")).toObject(), GameActionKind, &action);
    action.gaBannerLocation = bannerLocation(command);
    return action;
}

// Shared by install-or-play and open-in-the-cloud: the action, its share id and the game's detail.
HandedOver handOverGame(const QJsonObject& command, const QString& apkUrl = QString())
{
    const QJsonObject data = command.value(QStringLiteral("data")).toObject();
    GameActionInfo action = gameAction(command);
    action.apkUrl = apkUrl;
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

bool WebManager::handleInstallOrPlay(const QJsonObject& command, const Completion& complete)
{
    struct Progress
    {
        bool inHandler = true;
        bool done = false;
    };
    const auto progress = std::make_shared<Progress>();
    auto play = [this, command, complete, progress](const QString& apkUrl) {
        progress->done = true;
        // A host that has begun to quit gets no game started.
        if (hostQuitting())
            return;
        const HandedOver game = handOverGame(command, apkUrl);
        if (IStrategy* strategy = HostRegistry::strategy())
            strategy->recordPlayChoice(game.action.instance, game.action.packageName, LocalPlay, kPlayChoiceReason);
        if (!progress->inHandler && complete)
            complete(QJsonObject());
    };
    // The registry's IVornik is this plug-in: its lookup is ours, asked without waiting, for a
    // nested event loop here would stop every web view of the host until the host answers.
    auto* plugin = qobject_cast<VornikPlugin*>(parent());
    if (HostRegistry::vornik() && plugin)
        plugin->lookUpApkUrl(gameAction(command).packageName, this, play);
    else
        play(QString());
    progress->inHandler = false;
    return !progress->done;
}

void WebManager::handleOpenCloudGame(const QString&, QJsonObject&, const QJsonObject& command, int)
{
    const HandedOver game = handOverGame(command);
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
