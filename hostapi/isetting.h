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
class ISetting
{
public:
    virtual void reserved00() {}
    virtual void reserved01() {}
    virtual int oneButtonConfig() = 0;
    virtual void addSettingListener(QObject* listener) = 0;

protected:
    ~ISetting() = default;
};
Q_DECLARE_INTERFACE(ISetting, "KVL.ISetting/1.0")
