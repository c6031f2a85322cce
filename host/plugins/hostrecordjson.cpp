#include "hostrecordjson.h"

#include "hosthttpservice.h"

namespace HostRecordJson {

QJsonObject toJson(const HttpDaoRequest& record)
{
    // One definition, kept with the service that logs it.
    return HostHttpService::requestToJson(record);
}

QJsonObject toJson(const ACCOUNTINFO& record)
{
    return QJsonObject{
        {QStringLiteral("name"), record.name},
        {QStringLiteral("email"), record.email},
        {QStringLiteral("userId"), record.userId},
        {QStringLiteral("extraText4"), record.extraText4},
        {QStringLiteral("extraText5"), record.extraText5},
        {QStringLiteral("extraText6"), record.extraText6},
        {QStringLiteral("token"), record.token},
        {QStringLiteral("loggedIn"), record.loggedIn},
        {QStringLiteral("extraText8"), record.extraText8},
        {QStringLiteral("extraFlag"), record.extraFlag},
    };
}

QJsonObject toJson(const LanguageDetail& record)
{
    return QJsonObject{
        {QStringLiteral("name"), record.name},
        {QStringLiteral("nativeName"), record.nativeName},
        {QStringLiteral("languageCode"), record.languageCode},
    };
}

QJsonObject toJson(const StatsInfo& record)
{
    return QJsonObject{
        {QStringLiteral("bannerLocation"), record.bannerLocation},
        {QStringLiteral("arg1"), record.arg1},
        {QStringLiteral("section"), record.section},
        {QStringLiteral("appPage"), record.appPage},
    };
}

QJsonObject toJson(const GameActionInfo& record)
{
    return QJsonObject{
        {QStringLiteral("stats"), toJson(record.stats)},
        {QStringLiteral("genre"), record.genre},
        {QStringLiteral("iconUrl"), record.iconUrl},
        {QStringLiteral("packageName"), record.packageName},
        {QStringLiteral("cloudAppUrl"), record.cloudAppUrl},
        {QStringLiteral("cloudType"), record.cloudType},
        {QStringLiteral("flarnLoginRequired"), record.flarnLoginRequired},
        {QStringLiteral("cloudSupported"), record.cloudSupported},
        {QStringLiteral("gameName"), record.gameName},
        {QStringLiteral("bannerUrlV"), record.bannerUrlV},
        {QStringLiteral("bannerUrl"), record.bannerUrl},
        {QStringLiteral("instance"), record.instance},
        {QStringLiteral("reserved13"), record.reserved13},
        {QStringLiteral("gaBannerLocation"), record.gaBannerLocation},
        {QStringLiteral("action"), record.action},
        {QStringLiteral("section"), record.section},
        {QStringLiteral("apkUrl"), record.apkUrl},
        {QStringLiteral("gamePlayPreference"), record.gamePlayPreference},
        {QStringLiteral("requestTime"), record.requestTime},
        {QStringLiteral("reserved20"), record.reserved20},
    };
}

QJsonObject toJson(const GameDetailInfo& record)
{
    return QJsonObject{
        {QStringLiteral("stats"), toJson(record.stats)},
        {QStringLiteral("id"), record.id},
        {QStringLiteral("packageName"), record.packageName},
        {QStringLiteral("iconUrl"), record.iconUrl},
        {QStringLiteral("genre"), record.genre},
        {QStringLiteral("gameName"), record.gameName},
        {QStringLiteral("videoUrl"), record.videoUrl},
        {QStringLiteral("cloudAppUrl"), record.cloudAppUrl},
        {QStringLiteral("cloudType"), record.cloudType},
        {QStringLiteral("flarnLoginRequired"), record.flarnLoginRequired},
        {QStringLiteral("gaBannerLocation"), record.gaBannerLocation},
        {QStringLiteral("gamePlayPreference"), record.gamePlayPreference},
        {QStringLiteral("cloudSupported"), record.cloudSupported},
        {QStringLiteral("reserved14"), record.reserved14},
    };
}

QJsonObject toJson(const SearchResultInfo& record)
{
    return QJsonObject{
        {QStringLiteral("reserved1"), record.reserved1},
        {QStringLiteral("cloudSupported"), record.cloudSupported},
        {QStringLiteral("steamSupported"), record.steamSupported},
        {QStringLiteral("reserved4"), record.reserved4},
        {QStringLiteral("flarnLoginRequired"), record.flarnLoginRequired},
        {QStringLiteral("reserved6"), record.reserved6},
        {QStringLiteral("cloudType"), record.cloudType},
        {QStringLiteral("reserved8"), QJsonArray::fromStringList(record.reserved8)},
        {QStringLiteral("steamAppUrl"), record.steamAppUrl},
        {QStringLiteral("cloudAppUrl"), record.cloudAppUrl},
        {QStringLiteral("reserved11"), record.reserved11},
        {QStringLiteral("gameName"), record.gameName},
        {QStringLiteral("iconUrl"), record.iconUrl},
        {QStringLiteral("packageName"), record.packageName},
        {QStringLiteral("apkUrl"), record.apkUrl},
        {QStringLiteral("gamePlayPreference"), record.gamePlayPreference},
        {QStringLiteral("action"), record.action},
        {QStringLiteral("section"), record.section},
    };
}

QJsonObject toJson(const BannerImageInfo& record)
{
    return QJsonObject{
        {QStringLiteral("url"), record.url},
        {QStringLiteral("reserved2"), record.reserved2},
        {QStringLiteral("direction"), record.direction},
        {QStringLiteral("reserved4"), record.reserved4},
        {QStringLiteral("reserved5"), record.reserved5},
    };
}

QJsonObject toJson(const PlayStatsInfo& record)
{
    return QJsonObject{
        {QStringLiteral("appId"), record.appId},
        {QStringLiteral("reserved2"), record.reserved2},
        {QStringLiteral("reserved3"), record.reserved3},
        {QStringLiteral("event"), record.event},
        {QStringLiteral("reserved5"), record.reserved5},
        {QStringLiteral("gameKind"), record.gameKind},
        {QStringLiteral("reserved7"), record.reserved7},
        {QStringLiteral("bannerLocation"), record.bannerLocation},
    };
}

QJsonObject toJson(const InstalledAppInfo& record)
{
    return QJsonObject{
        {QStringLiteral("reserved1"), record.reserved1},
        {QStringLiteral("packageName"), record.packageName},
        {QStringLiteral("appName"), record.appName},
        {QStringLiteral("version"), record.version},
        {QStringLiteral("reserved5"), record.reserved5},
        {QStringLiteral("extra"), record.extra},
    };
}

QJsonArray toJson(const QList<SearchResultInfo>& records)
{
    QJsonArray array;
    for (const SearchResultInfo& record : records)
        array.append(toJson(record));
    return array;
}

} // namespace HostRecordJson
