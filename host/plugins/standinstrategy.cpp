#include "standinstrategy.h"

#include "hostcontract.h"
#include "hostprofile.h"

QUuid StandInStrategy::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kStrategyPlugin.uuid));
}

StandInStrategy::StandInStrategy(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("IStrategy"), profile, log, parent)
{
}

void StandInStrategy::recordPlayChoice(const QString& instance, const QString& package, int playLocation,
                                       int reason)
{
    record(QStringLiteral("recordPlayChoice"), {instance, package, playLocation, reason});
}

QJsonObject StandInStrategy::systemConfig()
{
    record(QStringLiteral("systemConfig"));
    return profile().systemConfig;
}
