#include "launcher/app/launcherprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

// Every key the profile knows. The profile itself ignores others; the launcher refuses them, so a
// misspelt key is not silently dropped while its author wonders why nothing changed.
const QStringList kProfileKeys{
    QStringLiteral("appConfig"),     QStringLiteral("hostMap"),       QStringLiteral("language"),
    QStringLiteral("countryCode"),   QStringLiteral("account"),       QStringLiteral("oneButtonConfig"),
    QStringLiteral("clientVersion"), QStringLiteral("clientUuid"),    QStringLiteral("systemConfig"),
    QStringLiteral("hasPlayStore"),  QStringLiteral("instances"),     QStringLiteral("defaultEngines"),
    QStringLiteral("apkUrls"),       QStringLiteral("currentPage"),   QStringLiteral("loadingSpinnerSuppressed"),
    QStringLiteral("modedGames"),
};

QString unknownKey(const QByteArray& json)
{
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
        if (!kProfileKeys.contains(it.key()))
            return it.key();
    }
    return QString();
}

} // namespace

bool loadProfileFile(const QString& file, HostProfile* profile, QString* error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the profile %1: %2").arg(file, input.errorString());
        return false;
    }
    const QByteArray json = input.readAll();

    QString problem;
    HostProfile read = HostProfile::fromJson(json, &problem);
    if (problem.isEmpty()) {
        const QString key = unknownKey(json);
        if (!key.isEmpty())
            problem = QStringLiteral("unknown key \"%1\"; the profile knows %2")
                          .arg(key, kProfileKeys.join(QStringLiteral(", ")));
    }
    if (!problem.isEmpty()) {
        *error = QStringLiteral("the profile %1 is malformed: %2").arg(file, problem);
        return false;
    }
    *profile = read;
    return true;
}

void useServiceAddressByDefault(HostProfile* profile, const QString& baseUrl)
{
    for (const AppConfig key : {AppConfigWebTestUrl, AppConfigWebServiceHost}) {
        if (profile->appConfig.value(key).toString().isEmpty())
            profile->appConfig.insert(key, baseUrl);
    }
}
