// The launcher's host profile file, read as the launcher reads it at start, and then lived in: the
// stand-in host answers from it, the web service serves its moded games to the plug-in, and the
// plug-in answers the page's state commands from what the host says.

#include "fuzzsupport.h"
#include "hostcalllog.h"
#include "launcher/app/launcherprofile.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace {

QString g_file;

QJsonObject reply(const QString& event, const QJsonObject& data = QJsonObject())
{
    const QJsonObject command{{QStringLiteral("event"), event},
                              {QStringLiteral("callbackEvent"), event + QStringLiteral("#1")},
                              {QStringLiteral("data"), data}};
    return Fuzz::command(QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)))
        .value(QLatin1String("data"))
        .toObject();
}

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// What the page is promised about the installed apps: each package once, in ascending order, and
// the Play Store's package after them when the host has it.
void checkInstalledApps(const HostProfile& profile, const QJsonObject& apps)
{
    QStringList packages;
    for (const QJsonValue& app : apps.value(QLatin1String("apps")).toArray())
        packages.append(app.toObject().value(QLatin1String("package_name")).toString());
    if (profile.hasPlayStore) {
        if (packages.isEmpty() || packages.takeLast() != QLatin1String("com.android.vending"))
            Fuzz::fail("the Play Store is missing from the installed apps", compact(apps));
    }
    QSet<QString> installed;
    for (const HostInstance& instance : profile.instances) {
        for (const QString& package : instance.apps)
            installed.insert(package);
    }
    for (int i = 1; i < packages.size(); ++i) {
        if (!(packages.at(i - 1) < packages.at(i)))
            Fuzz::fail("the installed apps are not each once in ascending order", compact(apps));
    }
    if (packages.size() != installed.size())
        Fuzz::fail("the installed apps are not those of the instances", compact(apps));
}

void checkHostConfig(const HostProfile& profile, const QJsonObject& config)
{
    QJsonObject expected;
    for (auto it = profile.hostMap.cbegin(); it != profile.hostMap.cend(); ++it)
        expected.insert(it.key(), it.value());
    if (config != expected)
        Fuzz::fail("the page is told another host map than the profile's", compact(config));
}

void checkClientConfig(const QJsonObject& config)
{
    const QString uuid = config.value(QLatin1String("uuid")).toString();
    if (uuid.size() != 36 || uuid != uuid.toLower())
        Fuzz::fail("the installation id is not 36 lower-case characters", compact(config));
}

void checkUserToken(const HostProfile& profile, const QJsonObject& token)
{
    if (!profile.account.loggedIn) {
        if (!token.isEmpty())
            Fuzz::fail("a signed-out user has a token", compact(token));
        return;
    }
    for (const char* key : {"email", "token", "userid", "xtoken", "accesstoken", "refreshtoken"}) {
        if (!token.value(QLatin1String(key)).isString())
            Fuzz::fail("the signed-in user's token lacks a member", compact(token));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    Fuzz::startApplication((*argv)[0]);
    Fuzz::harness();
    static QTemporaryDir dir;
    if (!dir.isValid())
        Fuzz::fail("no temporary folder for the profile file");
    g_file = dir.filePath(QStringLiteral("profile.json"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile file(g_file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        Fuzz::fail("cannot write the profile file", g_file);
    file.close();

    HostProfile profile;
    profile.language = QStringLiteral("untouched");
    QString error;
    if (!loadProfileFile(g_file, &profile, &error)) {
        // A refused file changes nothing and says which file it was.
        if (profile.language != QLatin1String("untouched") || !error.contains(g_file))
            Fuzz::fail("a refused profile changed the profile or did not name its file", error);
        return 0;
    }
    useServiceAddressByDefault(&profile, QStringLiteral("http://127.0.0.1:8765/"));

    // The host's configuration service keeps every number it was ever given, and a profile may
    // name any number; the plug-in reads only the default ones, so only those go to the service.
    HostProfile applied = profile;
    const QMap<int, QVariant> defaults = HostProfile::defaultAppConfig();
    for (auto it = applied.appConfig.begin(); it != applied.appConfig.end();)
        it = defaults.contains(it.key()) ? std::next(it) : applied.appConfig.erase(it);

    PluginHarness& harness = Fuzz::harness();
    harness.host()->profile() = applied;
    harness.host()->applyProfile();
    // The web service serves the profile's games as written; the plug-in gets them as its list.
    harness.deliver(QStringLiteral("GetModedGameList"),
                    QJsonDocument(QJsonObject{{QStringLiteral("data"), profile.modedGames}}).toJson());
    Fuzz::runQueued();

    checkInstalledApps(profile, reply(QStringLiteral("getInstalledApps")));
    checkClientConfig(reply(QStringLiteral("getClientConfig")));
    checkUserToken(profile, reply(QStringLiteral("getUserToken")));
    checkHostConfig(profile, reply(QStringLiteral("getHostConfig")));
    reply(QStringLiteral("getUserConfig"));
    const QJsonObject language = reply(QStringLiteral("getLanguage"));
    if (language.value(QLatin1String("language")).toString() != profile.language)
        Fuzz::fail("the page is told another language than the profile's", compact(language));
    // The first few instances: enough for every path, while a profile of many stays quick.
    for (const HostInstance& instance : profile.instances.mid(0, 4)) {
        if (!instance.apps.isEmpty())
            reply(QStringLiteral("getVmList"), QJsonObject{{QStringLiteral("packageName"), instance.apps.first()},
                                                           {QStringLiteral("method"), QStringLiteral("play")}});
    }
    Fuzz::settle();
    return 0;
}
