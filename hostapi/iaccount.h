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
class IAccount
{
public:
    virtual QObject* signalSource() = 0;
    virtual void reserved01() {}
    virtual void reserved02() {}
    virtual const ACCOUNTINFO& accountInfo() = 0;
    virtual void reserved04() {}
    virtual void refreshAccessToken() = 0;

protected:
    ~IAccount() = default;
};
Q_DECLARE_INTERFACE(IAccount, "KVL.IAccount/1.0")
