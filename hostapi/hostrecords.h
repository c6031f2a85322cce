#pragma once

// Plain records the host passes by reference. Field order and defaults are the host's binary
// layout; fields the plug-in neither fills nor reads keep the host's names for "reserved" data.

#include <QByteArray>
#include <QEvent>
#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

class IFileDownHandle;

struct HttpDaoRequest
{
    QString name;
    QString savePath;
    QString url;
    QString extraText1;
    QString extraText2;
    int extraInt1 = 0;
    int extraInt2 = 0;
    int extraInt3 = 0;
    IFileDownHandle* handle = nullptr;
    bool extraFlag = false;
    qint64 extraLong1 = 0;
    qint64 extraLong2 = 0;
    QByteArray data;
    int extraInt4 = 0;
    QMap<QString, QString> extraMap;
    QByteArray extraData;
    int extraInt5 = 0;
};

struct ACCOUNTINFO
{
    QString name;
    QString email;
    QString userId;
    QString extraText4;
    QString extraText5;
    QString extraText6;
    QString token;
    bool loggedIn = false;
    QString extraText8;
    bool extraFlag = false;
};
Q_DECLARE_METATYPE(ACCOUNTINFO)

struct LanguageDetail
{
    QString name;
    QString nativeName;
    QString languageCode;
};

struct StatsInfo
{
    QString bannerLocation;
    QString arg1;
    QString section;
    QString appPage;
};

struct GameActionInfo
{
    StatsInfo stats;
    QString genre;
    QString iconUrl;
    QString packageName;
    QString cloudAppUrl;
    QString cloudType;
    bool flarnLoginRequired = true;
    bool cloudSupported = false;
    QString gameName;
    QString bannerUrlV;
    QString bannerUrl;
    QString instance;
    QString reserved13;
    QString gaBannerLocation;
    QString action;
    QString section;
    QString apkUrl;
    QJsonArray gamePlayPreference;
    qint64 requestTime = 0;
    qint64 reserved20 = 0;
};

struct GameDetailInfo
{
    StatsInfo stats;
    QString id;
    QString packageName;
    QString iconUrl;
    QString genre;
    QString gameName;
    QString videoUrl;
    QString cloudAppUrl;
    QString cloudType;
    bool flarnLoginRequired = true;
    QString gaBannerLocation;
    QJsonArray gamePlayPreference;
    bool cloudSupported = false;
    qint64 reserved14 = 0;
};

struct SearchResultInfo
{
    bool reserved1 = false;
    bool cloudSupported = false;
    bool steamSupported = false;
    bool reserved4 = false;
    bool flarnLoginRequired = true;
    bool reserved6 = false;
    QString cloudType;
    QList<QString> reserved8;
    QString steamAppUrl;
    QString cloudAppUrl;
    QString reserved11;
    QString gameName;
    QString iconUrl;
    QString packageName;
    QString apkUrl;
    QJsonArray gamePlayPreference;
    QString action;
    QString section;
};

struct BannerImageInfo
{
    QString url;
    QString reserved2;
    int direction = 0;
    int reserved4 = 0;
    int reserved5 = 0;
};

struct PlayStatsInfo
{
    QString appId;
    int reserved2 = 0;
    bool reserved3 = false;
    int event = 0;
    qint64 reserved5 = 0;
    int gameKind = 0;
    qint64 reserved7 = 0;
    QString bannerLocation;
};

struct InstalledAppInfo
{
    int reserved1 = 0;
    QString packageName;
    QString appName;
    QString version;
    QString reserved5;
    QJsonArray extra;
};
