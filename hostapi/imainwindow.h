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
class IMainWindow
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
    virtual void reserved14() {}
    virtual void showLogin() = 0;
    virtual int currentPage() = 0;
    virtual void reserved17() {}
    virtual void reserved18() {}
    virtual void finishBootAnimation(bool finish) = 0;
    virtual void changeBannerBackground(const BannerImageInfo& info) = 0;
    virtual void reserved21() {}
    virtual void reserved22() {}
    virtual void reserved23() {}
    virtual bool loadingSpinnerSuppressed() = 0;
    virtual void reserved25() {}
    virtual void reserved26() {}
    virtual void reserved27() {}
    virtual void reserved28() {}
    virtual void searchInGooglePlay(const QString& query) = 0;
    virtual void reserved30() {}
    virtual void reserved31() {}
    virtual void reserved32() {}
    virtual void reserved33() {}
    virtual void reserved34() {}
    virtual void pushRealSearchResults(const QList<SearchResultInfo>& results, QVariant context) = 0;

protected:
    ~IMainWindow() = default;
};
Q_DECLARE_INTERFACE(IMainWindow, "KVL.IMainWindow/1.0")
