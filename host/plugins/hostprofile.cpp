#include "hostprofile.h"

#include "jsontext.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace {

// Reads one JSON profile; the first fault stops it and is kept as the message.
class ProfileReader
{
public:
    QString error;

    bool fail(const QString& path, const char* expectation)
    {
        if (error.isEmpty())
            error = QStringLiteral("\"%1\" must be %2").arg(path, QLatin1String(expectation));
        return false;
    }

    bool readString(const QJsonValue& value, const QString& path, QString* out)
    {
        if (value.isUndefined())
            return true;
        if (!value.isString())
            return fail(path, "a string");
        *out = value.toString();
        return true;
    }

    bool readBool(const QJsonValue& value, const QString& path, bool* out)
    {
        if (value.isUndefined())
            return true;
        if (!value.isBool())
            return fail(path, "a boolean");
        *out = value.toBool();
        return true;
    }

    bool readInt(const QJsonValue& value, const QString& path, int* out)
    {
        if (value.isUndefined())
            return true;
        const double number = value.toDouble();
        if (!value.isDouble() || std::trunc(number) != number
            || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
            return fail(path, "an integer");
        *out = static_cast<int>(number);
        return true;
    }

    bool readObject(const QJsonValue& value, const QString& path, QJsonObject* out)
    {
        if (value.isUndefined())
            return true;
        if (!value.isObject())
            return fail(path, "an object");
        *out = value.toObject();
        return true;
    }

    bool readStringMap(const QJsonValue& value, const QString& path, QMap<QString, QString>* out)
    {
        QJsonObject object;
        if (!readObject(value, path, &object))
            return false;
        if (value.isUndefined())
            return true;
        QMap<QString, QString> map;
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            if (!it.value().isString())
                return fail(path, "an object of strings");
            map.insert(it.key(), it.value().toString());
        }
        *out = map;
        return true;
    }

    bool readStringList(const QJsonValue& value, const QString& path, QStringList* out)
    {
        if (value.isUndefined())
            return true;
        if (!value.isArray())
            return fail(path, "an array of strings");
        QStringList list;
        for (const QJsonValue& item : value.toArray()) {
            if (!item.isString())
                return fail(path, "an array of strings");
            list.append(item.toString());
        }
        *out = list;
        return true;
    }

    bool readAppConfig(const QJsonValue& value, QMap<int, QVariant>* out)
    {
        const QString path = QStringLiteral("appConfig");
        QJsonObject object;
        if (!readObject(value, path, &object))
            return false;
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            const QString keyPath = path + QLatin1Char('.') + it.key();
            bool isNumber = false;
            const int key = it.key().toInt(&isNumber);
            if (!isNumber) {
                error = QStringLiteral("\"appConfig\" key \"%1\" is not a configuration number").arg(it.key());
                return false;
            }
            if (key == AppConfigVornikEnabled) {
                bool enabled = true;
                if (!readBool(it.value(), keyPath, &enabled))
                    return false;
                out->insert(key, enabled);
            } else if (key == AppConfigXToken || key == AppConfigAccessToken || key == AppConfigRefreshToken
                       || key == AppConfigWebTestUrl || key == AppConfigWebServiceHost) {
                QString text;
                if (!readString(it.value(), keyPath, &text))
                    return false;
                out->insert(key, text);
            } else {
                // Keys the plug-in does not read are kept as whatever the file says.
                if (it.value().isNull() || it.value().isArray() || it.value().isObject())
                    return fail(keyPath, "a string, number or boolean");
                out->insert(key, it.value().toVariant());
            }
        }
        return true;
    }

    bool readAccount(const QJsonValue& value, ACCOUNTINFO* out)
    {
        const QString path = QStringLiteral("account");
        QJsonObject object;
        if (!readObject(value, path, &object))
            return false;
        return readString(object.value(QLatin1String("name")), path + QLatin1String(".name"), &out->name)
            && readString(object.value(QLatin1String("email")), path + QLatin1String(".email"), &out->email)
            && readString(object.value(QLatin1String("userId")), path + QLatin1String(".userId"), &out->userId)
            && readString(object.value(QLatin1String("token")), path + QLatin1String(".token"), &out->token)
            && readBool(object.value(QLatin1String("loggedIn")), path + QLatin1String(".loggedIn"),
                        &out->loggedIn);
    }

    bool readInstances(const QJsonValue& value, QList<HostInstance>* out)
    {
        if (value.isUndefined())
            return true;
        if (!value.isArray())
            return fail(QStringLiteral("instances"), "an array of objects");
        const QJsonArray array = value.toArray();
        QList<HostInstance> instances;
        for (int i = 0; i < array.size(); ++i) {
            const QString path = QStringLiteral("instances[%1]").arg(i);
            if (!array.at(i).isObject())
                return fail(path, "an object");
            const QJsonObject object = array.at(i).toObject();
            HostInstance instance;
            if (!readString(object.value(QLatin1String("id")), path + QLatin1String(".id"), &instance.id)
                || !readString(object.value(QLatin1String("name")), path + QLatin1String(".name"), &instance.name)
                || !readString(object.value(QLatin1String("type")), path + QLatin1String(".type"), &instance.type)
                || !readStringList(object.value(QLatin1String("apps")), path + QLatin1String(".apps"),
                                   &instance.apps))
                return false;
            instances.append(instance);
        }
        *out = instances;
        return true;
    }

    bool readUuid(const QJsonValue& value, const QString& path, QUuid* out)
    {
        QString text;
        if (!readString(value, path, &text))
            return false;
        if (value.isUndefined())
            return true;
        const QUuid uuid(text);
        // QUuid reads anything it cannot parse as the null UUID; only the written-out null UUID
        // (or nothing at all) may mean that.
        const bool writtenNull = text.isEmpty() || text == QUuid().toString()
            || text == QUuid().toString(QUuid::WithoutBraces);
        if (uuid.isNull() && !writtenNull)
            return fail(path, "a UUID text");
        *out = uuid;
        return true;
    }

    bool readArray(const QJsonValue& value, const QString& path, QJsonArray* out)
    {
        if (value.isUndefined())
            return true;
        if (!value.isArray())
            return fail(path, "an array");
        *out = value.toArray();
        return true;
    }
};

} // namespace

QMap<int, QVariant> HostProfile::defaultAppConfig()
{
    return {
        {AppConfigXToken, QString()},
        {AppConfigAccessToken, QString()},
        {AppConfigRefreshToken, QString()},
        {AppConfigWebTestUrl, QString()},
        {AppConfigWebServiceHost, QString()},
        {AppConfigVornikEnabled, true},
    };
}

HostProfile HostProfile::fromJson(const QByteArray& json, QString* error)
{
    auto refuse = [error](const QString& message) {
        if (error)
            *error = message;
        return HostProfile();
    };

    if (JsonText::replacesNonEmptyValue(json))
        return refuse(QStringLiteral("an object names a key twice; name each key once"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refuse(QStringLiteral("not valid JSON at offset %1: %2")
                          .arg(parseError.offset)
                          .arg(parseError.errorString()));
    if (!document.isObject())
        return refuse(QStringLiteral("the profile must be a JSON object"));

    const QJsonObject root = document.object();
    HostProfile profile;
    ProfileReader reader;
    const bool ok = reader.readAppConfig(root.value(QLatin1String("appConfig")), &profile.appConfig)
        && reader.readStringMap(root.value(QLatin1String("hostMap")), QStringLiteral("hostMap"), &profile.hostMap)
        && reader.readString(root.value(QLatin1String("language")), QStringLiteral("language"), &profile.language)
        && reader.readString(root.value(QLatin1String("countryCode")), QStringLiteral("countryCode"),
                             &profile.countryCode)
        && reader.readAccount(root.value(QLatin1String("account")), &profile.account)
        && reader.readInt(root.value(QLatin1String("oneButtonConfig")), QStringLiteral("oneButtonConfig"),
                          &profile.oneButtonConfig)
        && reader.readString(root.value(QLatin1String("clientVersion")), QStringLiteral("clientVersion"),
                             &profile.clientVersion)
        && reader.readUuid(root.value(QLatin1String("clientUuid")), QStringLiteral("clientUuid"), &profile.clientUuid)
        && reader.readObject(root.value(QLatin1String("systemConfig")), QStringLiteral("systemConfig"),
                             &profile.systemConfig)
        && reader.readBool(root.value(QLatin1String("hasPlayStore")), QStringLiteral("hasPlayStore"),
                           &profile.hasPlayStore)
        && reader.readInstances(root.value(QLatin1String("instances")), &profile.instances)
        && reader.readStringMap(root.value(QLatin1String("defaultEngines")), QStringLiteral("defaultEngines"),
                                &profile.defaultEngines)
        && reader.readStringMap(root.value(QLatin1String("apkUrls")), QStringLiteral("apkUrls"), &profile.apkUrls)
        && reader.readInt(root.value(QLatin1String("currentPage")), QStringLiteral("currentPage"),
                          &profile.currentPage)
        && reader.readBool(root.value(QLatin1String("loadingSpinnerSuppressed")),
                           QStringLiteral("loadingSpinnerSuppressed"), &profile.loadingSpinnerSuppressed)
        && reader.readArray(root.value(QLatin1String("modedGames")), QStringLiteral("modedGames"),
                            &profile.modedGames);
    if (!ok)
        return refuse(reader.error);

    if (error)
        error->clear();
    return profile;
}

HostProfile HostProfile::demo()
{
    HostProfile profile;
    profile.appConfig.insert(AppConfigXToken, QStringLiteral("demo-xtoken"));
    profile.appConfig.insert(AppConfigAccessToken, QStringLiteral("demo-access-token"));
    profile.appConfig.insert(AppConfigRefreshToken, QStringLiteral("demo-refresh-token"));
    profile.hostMap = {
        {QStringLiteral("cloud"), QStringLiteral("https://cloud.example.com")},
        {QStringLiteral("store"), QStringLiteral("https://store.example.com")},
    };
    profile.language = QStringLiteral("en");
    profile.countryCode = QStringLiteral("US");
    profile.account.name = QStringLiteral("Demo Player");
    profile.account.email = QStringLiteral("demo@example.com");
    profile.account.userId = QStringLiteral("demo-user-1");
    profile.account.token = QStringLiteral("demo-token");
    profile.account.loggedIn = true;
    profile.oneButtonConfig = 1;
    profile.clientVersion = QStringLiteral("5.2.0.1001");
    profile.clientUuid = QUuid(QStringLiteral("{6f1d3c2a-5b7e-4c1d-9a8b-2e3f4a5b6c7d}"));
    profile.systemConfig = QJsonObject{
        {QStringLiteral("cpuCores"), 4},
        {QStringLiteral("memoryMb"), 8192},
        {QStringLiteral("gpu"), QStringLiteral("Demo Graphics")},
    };
    profile.hasPlayStore = true;
    profile.instances = {
        {QStringLiteral("0"), QStringLiteral("Main instance"), QStringLiteral("nougat64"),
         {QStringLiteral("com.example.racer"), QStringLiteral("com.example.puzzle")}},
        {QStringLiteral("1"), QStringLiteral("Second instance"), QStringLiteral("pie64"),
         {QStringLiteral("com.example.racer"), QStringLiteral("com.example.farm")}},
    };
    profile.defaultEngines = {
        {QStringLiteral("com.example.racer"), QStringLiteral("pie64")},
        {QStringLiteral("com.example.farm"), QStringLiteral("nougat64")},
    };
    profile.apkUrls = {
        {QStringLiteral("com.example.racer"), QStringLiteral("https://downloads.example.com/racer.apk")},
        {QStringLiteral("com.example.farm"), QStringLiteral("https://downloads.example.com/farm.apk")},
    };
    auto game = [](const char* id, const char* package, const char* name) {
        return QJsonObject{
            {QStringLiteral("id"), QLatin1String(id)},
            {QStringLiteral("packageName"), QLatin1String(package)},
            {QStringLiteral("name"), QLatin1String(name)},
        };
    };
    profile.modedGames = {
        game("1", "com.example.racer", "Racer"),
        game("2", "com.example.farm", "Farm"),
        game("3", "com.example.puzzle", "Puzzle"),
    };
    return profile;
}

const HostInstance* HostProfile::findInstance(const QString& id) const
{
    for (const HostInstance& instance : instances) {
        if (instance.id == id)
            return &instance;
    }
    return nullptr;
}
