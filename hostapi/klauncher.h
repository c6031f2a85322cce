#pragma once

#include "appconfig.h"
#include "kvlhostglobal.h"

#include <QMap>
#include <QMutex>
#include <QString>
#include <QVariant>

class IHttpDaoMgr;

// The host service library's process-wide service object.
class KVLHOST_SERVICE_EXPORT KLauncher
{
public:
    static KLauncher* instance();

    QVariant getAppConfigValue(AppConfig key);
    QString getHostUrl(AppConfig key, const QString& path);
    IHttpDaoMgr* getHttpDaoMgr();
    void setClearWebCache(bool clear);
    QMap<QString, QString>& getHostMap();

    // Host-side set-up, used by the host itself (and its stand-ins) to configure the service.
    void setAppConfigValue(AppConfig key, const QVariant& value);
    void setHttpDaoMgr(IHttpDaoMgr* manager);
    bool clearWebCache() const;

private:
    KLauncher() = default;

    mutable QMutex m_mutex;
    QMap<int, QVariant> m_appConfig;
    QMap<QString, QString> m_hostMap;
    IHttpDaoMgr* m_httpDaoMgr = nullptr;
    bool m_clearWebCache = false;
};
