#pragma once

#include <QAtomicInt>
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
    // Whether a worker serves the queue; under the mutex, so a worker that gives its thread back
    // and the message that needs a new one cannot miss each other.
    bool workerRunning = false;
    // Set by the GUI thread while the view shows, or is on its way to, a page of another origin;
    // the worker reads it right before each hand-over.
    QAtomicInt handOverBlocked = 0;
};
