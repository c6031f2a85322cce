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
        if (!mayHandOver(entry)) {
            refuseOrigin(shownUrl(entry));
            continue;
        }
        SendInfo& info = sendInfos[it.key()];
        info.handOverBlocked.storeRelease(0);
        QThreadPool* pool = QThreadPool::globalInstance();
        if (!info.mutex) {
            info.mutex = new QMutex;
            info.semaphore = new QSemaphore(0);
            // A page's worker may hold a pool thread as long as messages come; add one so the
            // host's own pool work and other pages are not starved.
            pool->setMaxThreadCount(pool->maxThreadCount() + 1);
        }
        QMutexLocker lock(info.mutex);
        info.queue.append(message);
        info.semaphore->release();
        if (!info.workerRunning) {
            // The previous worker has let go of the queue under this lock and only returns now.
            info.future.waitForFinished();
            info.bridge = entry.bridge;
            info.workerRunning = true;
            info.future = QtConcurrent::run(pool, &WebManager::deliveryLoop, this, &info);
        }
    }
}

void WebManager::deliveryLoop(WebManager* manager, SendInfo* info)
{
    if (!manager || !info)
        return;
    for (;;) {
        if (!info->semaphore->tryAcquire(1, kDeliveryIdleMs)) {
            // Idle: the pool thread goes back, so a host that waits for the pool or quits is not
            // held up by us. A message queued while the wait ran out is still served.
            QMutexLocker lock(info->mutex);
            if (!info->semaphore->tryAcquire(1)) {
                info->workerRunning = false;
                return;
            }
        }
        if (manager->stopping)
            return;
        QJsonObject message;
        bool haveMessage = false;
        {
            QMutexLocker lock(info->mutex);
            if (!info->queue.isEmpty()) {
                message = info->queue.takeFirst();
                haveMessage = true;
            }
        }
        // Checked at the hand-over, not only at queueing: a page of another origin may have come
        // into the view while the message waited its turn.
        if (haveMessage && !info->handOverBlocked.loadAcquire()) {
            // The same milliseconds since the epoch as the local date-time gives, without the
            // time zone look-up (a stat of the zone file per message) that the conversion costs.
            message.insert(QStringLiteral("stamp"), QDateTime::currentMSecsSinceEpoch());
            info->bridge->setContent(message);
        }
        // The pause keeps the page's pace; the queue stays open to the GUI thread meanwhile.
        QThread::msleep(10);
    }
}

void WebManager::stopDelivery()
{
    stopping = true;
    for (SendInfo& info : sendInfos) {
        if (!info.semaphore)
            continue;
        info.semaphore->release();
        info.future.waitForFinished();
        // What was still queued is dropped, as at shutdown; a later message starts afresh.
        QMutexLocker lock(info.mutex);
        info.queue.clear();
        info.semaphore->tryAcquire(info.semaphore->available());
        info.workerRunning = false;
    }
    stopping = false;
}

void WebManager::refreshHandOver(int type)
{
    const auto info = sendInfos.find(type);
    if (info != sendInfos.end())
        info->handOverBlocked.storeRelease(mayHandOver(pages.value(type)) ? 0 : 1);
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
