#include "standinburiedpoint.h"

#include "hostcontract.h"
#include "hostrecordjson.h"

QUuid StandInBuriedpoint::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kBuriedpointPlugin.uuid));
}

StandInBuriedpoint::StandInBuriedpoint(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("IBuriedpoint"), profile, log, parent)
{
}

void StandInBuriedpoint::reportUploadEffects(const QJsonObject& record)
{
    StandInPlugin::record(QStringLiteral("reportUploadEffects"), {record});
}

void StandInBuriedpoint::reportEffectsTriggered(const QJsonObject& record)
{
    StandInPlugin::record(QStringLiteral("reportEffectsTriggered"), {record});
}

void StandInBuriedpoint::reportModEvents(const QJsonObject& record)
{
    StandInPlugin::record(QStringLiteral("reportModEvents"), {record});
}

void StandInBuriedpoint::reportActiveUsers(const QJsonObject& record)
{
    StandInPlugin::record(QStringLiteral("reportActiveUsers"), {record});
}

void StandInBuriedpoint::reportPlayEvent(const PlayStatsInfo& info)
{
    record(QStringLiteral("reportPlayEvent"), {HostRecordJson::toJson(info)});
}
