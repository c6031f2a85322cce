#include "../web/webmanager.h"

#include "hostrecords.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

QString text(const QJsonObject& json, const char* key)
{
    return json.value(QLatin1String(key)).toString();
}

bool flag(const QJsonObject& json, const char* key, bool fallback)
{
    return json.value(QLatin1String(key)).toBool(fallback);
}

QJsonArray list(const QJsonObject& json, const char* key)
{
    return json.value(QLatin1String(key)).toArray();
}

// The statistics context is only overwritten when the page sent one at all.
void fillStats(const QJsonObject& json, StatsInfo& stats)
{
    if (!json.contains(QLatin1String("vk_stats_info")))
        return;
    const QJsonObject info = json.value(QLatin1String("vk_stats_info")).toObject();
    stats.appPage = text(info, "appPage");
    stats.bannerLocation = text(info, "banner_location");
    stats.section = text(info, "section");
    stats.arg1 = text(info, "arg1");
}

void fillGameAction(const QJsonObject& json, GameActionInfo& info)
{
    info.genre = text(json, "genre");
    info.iconUrl = text(json, "icon_url");
    info.packageName = text(json, "package_name");
    info.cloudAppUrl = text(json, "cloud_app_url");
    info.cloudType = text(json, "cloud_type");
    info.cloudSupported = flag(json, "cloud_supported", false);
    if (!info.cloudSupported)
        info.cloudAppUrl.clear();
    info.gameName = text(json, "game_name");
    info.bannerUrlV = text(json, "banner_url_v");
    info.bannerUrl = text(json, "banner_url");
    info.instance = text(json, "instance");
    info.action = text(json, "action");
    info.section = text(json, "section");
    info.flarnLoginRequired = flag(json, "is_flarn_login_required", true);
    info.gamePlayPreference = list(json, "game_play_preference");
    info.requestTime = QDateTime::currentMSecsSinceEpoch();
    fillStats(json, info.stats);
}

void fillGameDetail(const QJsonObject& json, GameDetailInfo& info)
{
    info.id = text(json, "id");
    info.packageName = text(json, "package_name");
    info.iconUrl = text(json, "icon_url");
    info.genre = text(json, "genre");
    info.gameName = text(json, "game_name");
    info.videoUrl = text(json, "video_url");
    info.cloudAppUrl = text(json, "cloud_app_url");
    info.cloudType = text(json, "cloud_type");
    info.cloudSupported = flag(json, "cloud_supported", false);
    if (!info.cloudSupported)
        info.cloudAppUrl.clear();
    info.gamePlayPreference = list(json, "game_play_preference");
    info.flarnLoginRequired = flag(json, "is_flarn_login_required", true);
    fillStats(json, info.stats);
}

void fillSearchResult(const QJsonObject& json, SearchResultInfo& info)
{
    info.cloudSupported = flag(json, "cloud_supported", false);
    info.cloudAppUrl = text(json, "cloud_app_url");
    if (!info.cloudSupported)
        info.cloudAppUrl.clear();
    info.iconUrl = text(json, "icon_url");
    info.packageName = text(json, "package_name");
    info.gameName = text(json, "game_name");
    info.steamSupported = flag(json, "steam_supported", false);
    info.steamAppUrl = text(json, "steam_appp_url");
    info.apkUrl = text(json, "apk_url");
    info.gamePlayPreference = list(json, "game_play_preference");
    info.action = text(json, "action");
    info.section = text(json, "section");
    info.cloudType = text(json, "cloud_type");
    info.flarnLoginRequired = flag(json, "is_flarn_login_required", true);
}

void fillBannerImage(const QJsonObject& json, BannerImageInfo& info)
{
    info.url = text(json, "url");
    info.direction = json.value(QLatin1String("direction")).toInt(0);
}

} // namespace

void WebManager::fillRecordFromJson(const QJsonObject& json, int kind, void* record)
{
    if (!record)
        return;
    switch (kind) {
    case 0:
        fillGameAction(json, *static_cast<GameActionInfo*>(record));
        break;
    case 1:
        fillGameDetail(json, *static_cast<GameDetailInfo*>(record));
        break;
    case 2:
        fillSearchResult(json, *static_cast<SearchResultInfo*>(record));
        break;
    case 3:
        fillBannerImage(json, *static_cast<BannerImageInfo*>(record));
        break;
    default:
        break;
    }
}
