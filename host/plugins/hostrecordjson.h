#pragma once

#include "hostrecords.h"

#include <QJsonArray>
#include <QJsonObject>

// Host records as the call log shows them: keyed by their field names, nested records as
// objects, pointers only as whether they are set.
namespace HostRecordJson {

QJsonObject toJson(const HttpDaoRequest& record);
QJsonObject toJson(const ACCOUNTINFO& record);
QJsonObject toJson(const LanguageDetail& record);
QJsonObject toJson(const StatsInfo& record);
QJsonObject toJson(const GameActionInfo& record);
QJsonObject toJson(const GameDetailInfo& record);
QJsonObject toJson(const SearchResultInfo& record);
QJsonObject toJson(const BannerImageInfo& record);
QJsonObject toJson(const PlayStatsInfo& record);
QJsonObject toJson(const InstalledAppInfo& record);

QJsonArray toJson(const QList<SearchResultInfo>& records);

} // namespace HostRecordJson
