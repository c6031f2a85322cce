#include "klauncher.h"

#include "servicecallrecorder.h"

#include <QMutexLocker>
#include <QUrl>

KLauncher* KLauncher::instance()
{
    // Never destroyed: plug-ins may still ask for it while the host process winds down.
    static KLauncher* service = new KLauncher;
    return service;
}

QVariant KLauncher::getAppConfigValue(AppConfig key)
{
    QMutexLocker lock(&m_mutex);
    return m_appConfig.value(key);
}

QString KLauncher::getHostUrl(AppConfig key, const QString& path)
{
    QString base = getAppConfigValue(key).toString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (path.isEmpty())
        return base;
    return path.startsWith(QLatin1Char('/')) ? base + path : base + QLatin1Char('/') + path;
}

IHttpDaoMgr* KLauncher::getHttpDaoMgr()
{
    QMutexLocker lock(&m_mutex);
    return m_httpDaoMgr;
}

void KLauncher::setClearWebCache(bool clear)
{
    // Recorded: it changes what the host does at its next start. The configuration reads are
    // not; they change nothing and answer what the host profile says.
    ServiceCallRecorder::record(QStringLiteral("KLauncher"), QStringLiteral("setClearWebCache"), {clear});
    QMutexLocker lock(&m_mutex);
    m_clearWebCache = clear;
}

QMap<QString, QString>& KLauncher::getHostMap()
{
    return m_hostMap;
}

void KLauncher::setAppConfigValue(AppConfig key, const QVariant& value)
{
    QMutexLocker lock(&m_mutex);
    m_appConfig.insert(key, value);
}

void KLauncher::setHttpDaoMgr(IHttpDaoMgr* manager)
{
    QMutexLocker lock(&m_mutex);
    m_httpDaoMgr = manager;
}

bool KLauncher::clearWebCache() const
{
    QMutexLocker lock(&m_mutex);
    return m_clearWebCache;
}
