#include "webmanager.h"

#include "../data/vorniknames.h"
#include "webbridge.h"

#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>
#include <QUrl>
#include <QWebEnginePage>

using namespace VornikNames;

QJsonObject WebManager::envelope(const QString& event, int pageMask, const QJsonObject& data)
{
    QJsonObject message;
    message.insert(QStringLiteral("event"), event);
    message.insert(QStringLiteral("page"), pageMask);
    message.insert(QStringLiteral("data"), data);
    return message;
}

void WebManager::sendToPage(int pageMask, const QString& event, const QJsonObject& data)
{
    const QJsonObject message = envelope(event, pageMask, data);

    int deliveryMask = pageMask;
    if (kForcedEvents.contains(event))
        deliveryMask |= kOwnPageType;

    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        if (!(it.key() & deliveryMask))
            continue;
        // Nothing the host says is for a page of another origin; before the first load there is
        // no page to say it to, and the message waits as it always has.
        const PageEntry& entry = it.value();
        if (entry.page && !entry.page->url().isEmpty() && !showsOwnOrigin(entry)) {
            refuseOrigin(entry.page->url());
            continue;
        }
        SendInfo& info = sendInfos[it.key()];
        if (!info.future.isRunning()) {
            // A worker only ends at shutdown; should one have ended anyway, its lock and
            // semaphore are no longer in use and go before the new ones come.
            delete info.mutex;
            delete info.semaphore;
            info.bridge = it.value().bridge;
            info.mutex = new QMutex;
            info.semaphore = new QSemaphore(0);
            // Each page's worker holds a pool thread for the life of this manager; add one so
            // the host's own pool work and other pages are not starved.
            QThreadPool* pool = QThreadPool::globalInstance();
            pool->setMaxThreadCount(pool->maxThreadCount() + 1);
            info.future = QtConcurrent::run(pool, &WebManager::deliveryLoop, this, &info);
        }
        {
            QMutexLocker lock(info.mutex);
            info.queue.append(message);
        }
        info.semaphore->release();
    }
}

void WebManager::deliveryLoop(WebManager* manager, SendInfo* info)
{
    if (!manager || !info)
        return;
    info->semaphore->acquire();
    if (manager->stopping)
        return;
    for (;;) {
        QJsonObject message;
        bool haveMessage = false;
        {
            QMutexLocker lock(info->mutex);
            if (!info->queue.isEmpty()) {
                message = info->queue.takeFirst();
                haveMessage = true;
            }
        }
        if (haveMessage) {
            // The same milliseconds since the epoch as the local date-time gives, without the
            // time zone look-up (a stat of the zone file per message) that the conversion costs.
            message.insert(QStringLiteral("stamp"), QDateTime::currentMSecsSinceEpoch());
            info->bridge->setContent(message);
        }
        // The pause keeps the page's pace; the queue stays open to the GUI thread meanwhile.
        QThread::msleep(10);
        info->semaphore->acquire();
        if (manager->stopping)
            return;
    }
}

void WebManager::languageChanged(const QString& code)
{
    QJsonObject data;
    data.insert(QStringLiteral("language"), code);
    data.insert(QStringLiteral("defaultLanguage"), QStringLiteral("en"));
    sendToPage(kOwnPageType, kUpdateLanguage, data);
}

void WebManager::updateOneButtonConfig(int value)
{
    QJsonObject data;
    data.insert(QStringLiteral("one_button_config"), value);
    sendToPage(kOwnPageType, kUpdateUserConfig, data);
}

void WebManager::pushInstalledApps()
{
    sendToPage(kOwnPageType, kUpdateInstalledAppsNotification, buildInstalledApps());
}
