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
class IMyGame
{
public:
    virtual void reserved00() {}
    virtual void reserved01() {}
    virtual void reserved02() {}
    virtual void reserved03() {}
    virtual void reserved04() {}
    virtual QVector<QString> uninstalledInstances(const QString& package) = 0;
    virtual QVector<QString> installedInstances(const QString& package) = 0;
    virtual QString defaultEngines(const QString& package) = 0;
    virtual QString instanceName(const QString& instanceId) = 0;
    virtual void reserved09() {}
    virtual void reserved10() {}
    virtual void reserved11() {}
    virtual void reserved12() {}
    virtual void reserved13() {}
    virtual void reserved14() {}
    virtual void reserved15() {}
    virtual void reserved16() {}
    virtual void reserved17() {}
    virtual void reserved18() {}
    virtual void reserved19() {}
    virtual void showPage(int pageType) = 0;
    virtual void reserved21() {}
    virtual void reserved22() {}
    virtual QString instanceType(const QString& instanceId) = 0;
    virtual void openSteamGame(const QString& url) = 0;
    virtual void reserved25() {}
    virtual void reserved26() {}
    virtual void reserved27() {}
    virtual void reserved28() {}
    virtual void reserved29() {}
    virtual void reserved30() {}
    virtual void reserved31() {}
    virtual void reserved32() {}
    virtual void reserved33() {}
    virtual void reserved34() {}
    virtual void reserved35() {}
    virtual void reserved36() {}
    virtual void reserved37() {}
    virtual void reserved38() {}
    virtual void reserved39() {}
    virtual void reserved40() {}
    virtual void recordShareId(const QPair<QString, QString>& packageAndShareId) = 0;
    virtual void reserved42() {}
    virtual void reserved43() {}
    virtual void reserved44() {}
    virtual void addGameDetail(const GameDetailInfo& info) = 0;
    virtual void performGameAction(const GameActionInfo& info) = 0;
    virtual void reserved47() {}
    virtual void reserved48() {}
    virtual void reserved49() {}
    virtual void reserved50() {}
    virtual void reserved51() {}
    virtual void reserved52() {}
    virtual void reserved53() {}
    virtual void modGameBack(const QString& package) = 0;

protected:
    ~IMyGame() = default;
};
Q_DECLARE_INTERFACE(IMyGame, "KVL.IMyGame/1.0")
