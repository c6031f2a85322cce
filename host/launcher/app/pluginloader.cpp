#include "launcher/app/pluginloader.h"

#include "hostcontract.h"
#include "iplugin.h"
#include "ivornik.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>

namespace {

const QString kExpectedIid = QLatin1String(KvlHost::kVornikPluginFileIid);

} // namespace

LoadedPlugin loadVornikPlugin(const QString& file, QString* error)
{
    if (!QFileInfo::exists(file)) {
        *error = QStringLiteral("plug-in file not found: %1").arg(file);
        return {};
    }
    // The loader may go when this returns: a loaded plug-in stays loaded until someone calls
    // unload(), and nobody does, since the plug-in's web engine state lives as long as the process.
    QPluginLoader loader(file);
    const QJsonObject metaData = loader.metaData();
    if (metaData.isEmpty()) {
        *error = QStringLiteral("%1 is not a Qt plug-in: %2").arg(file, loader.errorString());
        return {};
    }
    const QString iid = metaData.value(QStringLiteral("IID")).toString();
    if (iid != kExpectedIid) {
        *error = QStringLiteral("%1 is a plug-in for \"%2\", not \"%3\"").arg(file, iid, kExpectedIid);
        return {};
    }
    QObject* object = loader.instance();
    if (!object) {
        *error = QStringLiteral("%1 could not be loaded: %2").arg(file, loader.errorString());
        return {};
    }
    LoadedPlugin loaded{object, qobject_cast<IPlugin*>(object), qobject_cast<IVornik*>(object)};
    if (!loaded.plugin || !loaded.vornik) {
        *error = QStringLiteral("%1 does not implement IPlugin and IVornik").arg(file);
        return {};
    }
    return loaded;
}
