#pragma once

#include "istrategy.h"
#include "standinplugin.h"

// The host's play strategy: the machine's system configuration and the user's play choices.
class StandInStrategy : public StandInPlugin, public IStrategy
{
    Q_OBJECT
    Q_INTERFACES(IStrategy)
public:
    static QUuid uuid();

    StandInStrategy(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    // IStrategy
    void recordPlayChoice(const QString& instance, const QString& package, int playLocation, int reason) override;
    QJsonObject systemConfig() override;
};
