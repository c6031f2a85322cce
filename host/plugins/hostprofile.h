#pragma once

#include "appconfig.h"
#include "hostrecords.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>

// One emulator instance of the host and the packages installed in it.
struct HostInstance
{
    QString id;
    QString name;
    QString type;
    QStringList apps;
};

// What the stand-in host answers with: configuration, language, account, instances and their
// apps, APK addresses, the moded games the web service lists. Every key of the JSON form is
// optional; keys it does not know are ignored.
struct HostProfile
{
    // By AppConfig key. 13, 14, 15, 24 and 25 are text, 26 is the feature switch.
    QMap<int, QVariant> appConfig = defaultAppConfig();
    QMap<QString, QString> hostMap;
    QString language = QStringLiteral("en");
    QString countryCode;
    ACCOUNTINFO account;
    int oneButtonConfig = 0;
    QString clientVersion;
    QUuid clientUuid;
    QJsonObject systemConfig;
    bool hasPlayStore = false;
    QList<HostInstance> instances;
    QMap<QString, QString> defaultEngines;
    QMap<QString, QString> apkUrls;
    int currentPage = 8;
    bool loadingSpinnerSuppressed = false;
    // Served as the web service's game list, exactly as written.
    QJsonArray modedGames;

    // The profile the JSON describes. On a malformed file: a default profile, and *error names
    // the key at fault; on success *error is emptied.
    static HostProfile fromJson(const QByteArray& json, QString* error);
    static HostProfile demo();
    static QMap<int, QVariant> defaultAppConfig();

    // Null when no instance has that id.
    const HostInstance* findInstance(const QString& id) const;
};
