#include "webmanager.h"

#include "../data/vorniknames.h"
#include "webbridge.h"

#include <QDateTime>
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
        deliveryWorker(it.key()).post(message);
    }
}

DeliveryWorker& WebManager::deliveryWorker(int type)
{
    std::unique_ptr<DeliveryWorker>& worker = deliveryWorkers[type];
    if (!worker)
        worker = std::make_unique<DeliveryWorker>(this, [this, type](QJsonObject& message) { handOver(type, message); });
    return *worker;
}

void WebManager::handOver(int type, QJsonObject& message)
{
    // Checked at the hand-over, not only at queueing: a page of another origin may have come
    // into the view while the message waited its turn, or while the GUI thread was held up.
    const auto entry = pages.constFind(type);
    if (entry == pages.cend() || !entry->bridge || !mayHandOver(*entry))
        return;
    // The same milliseconds since the epoch as the local date-time gives, without the time zone
    // look-up (a stat of the zone file per message) that the conversion costs.
    message.insert(QStringLiteral("stamp"), QDateTime::currentMSecsSinceEpoch());
    entry->bridge->setContent(message);
}

void WebManager::stopDelivery()
{
    // What was still queued is dropped, as at shutdown; a later message starts afresh.
    for (auto& worker : deliveryWorkers)
        worker.second->stop();
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
