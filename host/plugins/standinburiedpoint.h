#pragma once

#include "iburiedpoint.h"
#include "standinplugin.h"

// The host's statistics service: every report ends up in the call log and nowhere else.
class StandInBuriedpoint : public StandInPlugin, public IBuriedpoint
{
    Q_OBJECT
    Q_INTERFACES(IBuriedpoint)
public:
    static QUuid uuid();

    StandInBuriedpoint(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    // IBuriedpoint
    void reportUploadEffects(const QJsonObject& record) override;
    void reportEffectsTriggered(const QJsonObject& record) override;
    void reportModEvents(const QJsonObject& record) override;
    void reportActiveUsers(const QJsonObject& record) override;
    void reportPlayEvent(const PlayStatsInfo& info) override;
};
