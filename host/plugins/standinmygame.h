#pragma once

#include "imygame.h"
#include "standinplugin.h"

// The host's game library: which instances hold a package, the instances' names and types,
// and the game actions the page hands over.
class StandInMyGame : public StandInPlugin, public IMyGame
{
    Q_OBJECT
    Q_INTERFACES(IMyGame)
public:
    static QUuid uuid();

    StandInMyGame(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    // IMyGame
    QVector<QString> uninstalledInstances(const QString& package) override;
    QVector<QString> installedInstances(const QString& package) override;
    QString defaultEngines(const QString& package) override;
    QString instanceName(const QString& instanceId) override;
    void showPage(int pageType) override;
    QString instanceType(const QString& instanceId) override;
    void openSteamGame(const QString& url) override;
    void recordShareId(const QPair<QString, QString>& packageAndShareId) override;
    void addGameDetail(const GameDetailInfo& info) override;
    void performGameAction(const GameActionInfo& info) override;
    void modGameBack(const QString& package) override;

private:
    QVector<QString> instancesWhere(const QString& package, bool installed) const;
};
