#pragma once

#include "hostrecords.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QUuid>
#include <QVariant>
#include <QVector>
#include <QtPlugin>

#include <functional>

class QObject;

// Slot order is the host's binary contract: reservedNN keep the places of operations the plug-in never calls.
class IBuriedpoint
{
public:
    virtual void reportUploadEffects(const QJsonObject& record) = 0;
    virtual void reportEffectsTriggered(const QJsonObject& record) = 0;
    virtual void reportModEvents(const QJsonObject& record) = 0;
    virtual void reportActiveUsers(const QJsonObject& record) = 0;
    virtual void reserved04() {}
    virtual void reserved05() {}
    virtual void reportPlayEvent(const PlayStatsInfo& info) = 0;

protected:
    ~IBuriedpoint() = default;
};
Q_DECLARE_INTERFACE(IBuriedpoint, "KVL.IBuriedpoint/1.0")
