#include "standinstrategy.h"

#include "hostprofile.h"

QUuid StandInStrategy::uuid()
{
    return QUuid(QStringLiteral("{66fe8a25-dc02-4806-a68d-537ec7a2b626}"));
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
