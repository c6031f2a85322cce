#pragma once

#include <QFuture>
#include <QJsonObject>
#include <QList>

class QMutex;
class QSemaphore;
class WebBridge;

// Delivery state of one page type: the producer (GUI thread) appends under the mutex and
// releases one permit per message; the page's worker takes them in order.
struct SendInfo
{
    WebBridge* bridge = nullptr;
    QMutex* mutex = nullptr;
    QList<QJsonObject> queue;
    QFuture<void> future;
    QSemaphore* semaphore = nullptr;
};
