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
class IStrategy
{
public:
    virtual void reserved00() {}
    virtual void recordPlayChoice(const QString& instance, const QString& package, int playLocation, int reason) = 0;
    virtual void reserved02() {}
    virtual QJsonObject systemConfig() = 0;

protected:
    ~IStrategy() = default;
};
Q_DECLARE_INTERFACE(IStrategy, "KVL.IStrategy/1.0")
