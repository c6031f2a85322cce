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
class ISimulatorMgr
{
public:
    virtual void reserved00() {}
    virtual void reserved01() {}
    virtual void reserved02() {}
    virtual void reserved03() {}
    virtual void reserved04() {}
    virtual void reserved05() {}
    virtual void reserved06() {}
    virtual void reserved07() {}
    virtual void reserved08() {}
    virtual void reserved09() {}
    virtual void reserved10() {}
    virtual void reserved11() {}
    virtual void reserved12() {}
    virtual void reserved13() {}
    virtual void requestApkUrl(const QString& package, std::function<void(const QString&)> callback, int reserved, int waiting) = 0;
    virtual void reserved15() {}
    virtual void reserved16() {}
    virtual QString clientVersion() = 0;
    virtual void reserved18() {}
    virtual void reserved19() {}
    virtual void reserved20() {}
    virtual QMap<QString, QList<InstalledAppInfo>> installedApps() = 0;
    virtual void reserved22() {}
    virtual void reserved23() {}
    virtual void reserved24() {}
    virtual void reserved25() {}
    virtual void reserved26() {}
    virtual void reserved27() {}
    virtual void reserved28() {}
    virtual void reserved29() {}
    virtual void reserved30() {}
    virtual bool hasPlayStore() = 0;
    virtual void reserved32() {}
    virtual void reserved33() {}
    virtual void reserved34() {}
    virtual void reserved35() {}
    virtual void reserved36() {}
    virtual void reserved37() {}
    virtual void reserved38() {}
    virtual void reserved39() {}
    virtual void reserved40() {}
    virtual void accountUserChanged(const QString& first, const QString& userId, const QString& third) = 0;
    virtual void reserved42() {}
    virtual void reserved43() {}
    virtual void reserved44() {}
    virtual void reserved45() {}
    virtual void reserved46() {}
    virtual void reserved47() {}
    virtual void reserved48() {}
    virtual void reserved49() {}
    virtual void reserved50() {}
    virtual void reserved51() {}
    virtual void reserved52() {}
    virtual void reserved53() {}
    virtual void reserved54() {}
    virtual void reserved55() {}
    virtual void reserved56() {}
    virtual void reserved57() {}
    virtual void reserved58() {}
    virtual void reserved59() {}
    virtual void reserved60() {}
    virtual void reserved61() {}
    virtual void reserved62() {}
    virtual QUuid clientUuid() = 0;

protected:
    ~ISimulatorMgr() = default;
};
Q_DECLARE_INTERFACE(ISimulatorMgr, "KVL.ISimulatorMgr/1.0")
