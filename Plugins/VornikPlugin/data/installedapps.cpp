#include "../web/webmanager.h"

#include "../core/hostregistry.h"
#include "imygame.h"
#include "isimulatormgr.h"

#include <QJsonArray>

namespace {

const QString kPlayStorePackage = QStringLiteral("com.android.vending");

QJsonArray instanceArray(IMyGame* myGame, const QVector<QString>& ids)
{
    QJsonArray array;
    for (const QString& id : ids) {
        QJsonObject instance;
        instance.insert(QStringLiteral("id"), id);
        instance.insert(QStringLiteral("name"), myGame->instanceName(id));
        instance.insert(QStringLiteral("type"), myGame->instanceType(id));
        array.append(instance);
    }
    return array;
}

} // namespace

QJsonObject WebManager::buildInstalledApps()
{
    QJsonArray apps;
    if (ISimulatorMgr* simulator = HostRegistry::simulatorMgr()) {
        // A package installed in several instances is one app to the page.
        QMap<QString, bool> packages;
        const QMap<QString, QList<InstalledAppInfo>> installed = simulator->installedApps();
        for (const QList<InstalledAppInfo>& list : installed) {
            for (const InstalledAppInfo& app : list)
                packages.insert(app.packageName, true);
        }
        for (auto it = packages.cbegin(); it != packages.cend(); ++it)
            apps.append(QJsonObject{{QStringLiteral("package_name"), it.key()}});
        if (simulator->hasPlayStore())
            apps.append(QJsonObject{{QStringLiteral("package_name"), kPlayStorePackage}});
    }
    return QJsonObject{{QStringLiteral("action"), QStringLiteral("all")}, {QStringLiteral("apps"), apps}};
}

void WebManager::handleVmList(const QString&, QJsonObject& reply, const QJsonObject& command, int)
{
    const QJsonObject data = command.value(QStringLiteral("data")).toObject();
    const QString packageName = data.value(QStringLiteral("packageName")).toString();
    const QString method = data.value(QStringLiteral("method")).toString();
    if (packageName.isEmpty())
        return;
    IMyGame* myGame = HostRegistry::myGame();
    if (!myGame)
        return;
    const QVector<QString> installedIds = myGame->installedInstances(packageName);
    const QVector<QString> uninstalledIds = myGame->uninstalledInstances(packageName);
    const QJsonArray installed = instanceArray(myGame, installedIds);
    const QJsonArray uninstalled = instanceArray(myGame, uninstalledIds);
    if (method != QLatin1String("play"))
        return;
    reply.insert(QStringLiteral("installed"), installed);
    reply.insert(QStringLiteral("uninstalled"), uninstalled);
    reply.insert(QStringLiteral("defaultEngines"), myGame->defaultEngines(packageName));
}
