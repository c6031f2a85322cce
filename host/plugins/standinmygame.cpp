#include "standinmygame.h"

#include "hostcontract.h"
#include "hostprofile.h"
#include "hostrecordjson.h"

QUuid StandInMyGame::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kMyGamePlugin.uuid));
}

StandInMyGame::StandInMyGame(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("IMyGame"), profile, log, parent)
{
}

QVector<QString> StandInMyGame::uninstalledInstances(const QString& package)
{
    record(QStringLiteral("uninstalledInstances"), {package});
    return instancesWhere(package, false);
}

QVector<QString> StandInMyGame::installedInstances(const QString& package)
{
    record(QStringLiteral("installedInstances"), {package});
    return instancesWhere(package, true);
}

QString StandInMyGame::defaultEngines(const QString& package)
{
    record(QStringLiteral("defaultEngines"), {package});
    return profile().defaultEngines.value(package);
}

QString StandInMyGame::instanceName(const QString& instanceId)
{
    record(QStringLiteral("instanceName"), {instanceId});
    const HostInstance* instance = profile().findInstance(instanceId);
    return instance ? instance->name : QString();
}

void StandInMyGame::showPage(int pageType)
{
    record(QStringLiteral("showPage"), {pageType});
}

QString StandInMyGame::instanceType(const QString& instanceId)
{
    record(QStringLiteral("instanceType"), {instanceId});
    const HostInstance* instance = profile().findInstance(instanceId);
    return instance ? instance->type : QString();
}

void StandInMyGame::openSteamGame(const QString& url)
{
    record(QStringLiteral("openSteamGame"), {url});
}

void StandInMyGame::recordShareId(const QPair<QString, QString>& packageAndShareId)
{
    // Spelled out: a braced QJsonArray alone would be taken for the argument list itself.
    const QJsonArray pair{packageAndShareId.first, packageAndShareId.second};
    record(QStringLiteral("recordShareId"), QJsonArray{QJsonValue(pair)});
}

void StandInMyGame::addGameDetail(const GameDetailInfo& info)
{
    record(QStringLiteral("addGameDetail"), {HostRecordJson::toJson(info)});
}

void StandInMyGame::performGameAction(const GameActionInfo& info)
{
    record(QStringLiteral("performGameAction"), {HostRecordJson::toJson(info)});
}

void StandInMyGame::modGameBack(const QString& package)
{
    record(QStringLiteral("modGameBack"), {package});
}

QVector<QString> StandInMyGame::instancesWhere(const QString& package, bool installed) const
{
    QVector<QString> ids;
    for (const HostInstance& instance : profile().instances) {
        if (instance.apps.contains(package) == installed)
            ids.append(instance.id);
    }
    return ids;
}
