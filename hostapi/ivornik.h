#pragma once

#include "modedgame.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>
#include <QtPlugin>

class QWidget;
class QObject;

// The browser feature as the host drives it; the host's own browser plug-in implements it too.
class IBrowser
{
public:
    virtual void createView(int pageType, const QString& url, QWidget* parent) = 0;
    virtual void startDomainTest(int pageType) = 0;
    virtual void sendToPage(int pageMask, const QString& event, const QJsonObject& data) = 0;
    virtual void realSearch(const QString& query, const QVariant& context) = 0;
    virtual void gotoSearch(const QString& query) = 0;
    virtual void languageChanged(const QString& code) = 0;
    virtual void setViewsVisible(bool visible) = 0;
    virtual void modedGameListDocument(const QJsonObject& document) = 0;
    virtual bool routeToPage(int pageType, bool force) = 0;
    virtual void pushInstalledApps() = 0;
    virtual const QString& emptyText() = 0;
    virtual void updateOneButtonConfig(int value) = 0;

protected:
    ~IBrowser() = default;
};
Q_DECLARE_INTERFACE(IBrowser, "KVL.IBrowser/1.0")

class IVornik : public IBrowser
{
public:
    virtual void switchToGame(const QString& package, const QString& modId, int from) = 0;
    virtual void setupMod(const QString& package, const QString& modId, const QString& modName) = 0;
    virtual ModedGameList* modedGameList() = 0;
    virtual QString apkUrl(const QString& package, bool wait) = 0;
    virtual void addModedGameListListener(QObject* listener) = 0;
    virtual bool isAvailable() = 0;

protected:
    ~IVornik() = default;
};
Q_DECLARE_INTERFACE(IVornik, "KVL.IVornik/1.0")
