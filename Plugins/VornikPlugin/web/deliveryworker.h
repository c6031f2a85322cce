#pragma once

#include <QJsonObject>
#include <QList>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QObject;

// One page's outbound queue and the thread of our own that paces it. The thread takes the
// messages in order and has each handed to the page on the GUI thread, where the page receives
// it; the next one follows no sooner than 10 ms after that hand-over, whatever the GUI thread was
// doing meanwhile. Nothing here touches Qt's global thread pool: it belongs to the host.
class DeliveryWorker
{
public:
    static constexpr int kPaceMs = 10;
    // Runs on the context's thread with each message in turn; it decides whether the page may
    // have it at that moment and hands it over.
    using HandOver = std::function<void(QJsonObject& message)>;

    DeliveryWorker(QObject* context, HandOver handOver);
    ~DeliveryWorker();
    DeliveryWorker(const DeliveryWorker&) = delete;
    DeliveryWorker& operator=(const DeliveryWorker&) = delete;

    // Queues a message; never waits for the thread, which it starts when none runs.
    void post(const QJsonObject& message);
    // Drops whatever is still queued or on its way to the GUI thread, and joins the thread. A
    // later post starts afresh.
    void stop();

private:
    void run();
    void handOverOnContextThread(QJsonObject message, quint64 generation);

    QObject* const m_context;
    const HandOver m_handOver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QList<QJsonObject> m_queue;
    bool m_stopping = false;
    bool m_handedOver = false;
    // When the last message was handed to the page: the next follows the pace from there, not
    // from whenever this thread learns of it.
    std::chrono::steady_clock::time_point m_handedOverAt;
    // Counts the stops, so a hand-over queued before one is recognised and dropped.
    quint64 m_generation = 0;
    std::thread m_thread;
};
