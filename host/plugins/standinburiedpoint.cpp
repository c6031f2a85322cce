#include "standinburiedpoint.h"

#include "hostrecordjson.h"

QUuid StandInBuriedpoint::uuid()
{
    return QUuid(QStringLiteral("{d648d6aa-6bfa-42fb-a488-27c34bedd784}"));
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
