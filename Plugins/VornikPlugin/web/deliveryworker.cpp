#include "deliveryworker.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

DeliveryWorker::DeliveryWorker(QObject* context, HandOver handOver)
    : m_context(context)
    , m_handOver(std::move(handOver))
{
}

DeliveryWorker::~DeliveryWorker()
{
    stop();
}

void DeliveryWorker::post(const QJsonObject& message)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.append(message);
    if (!m_thread.joinable())
        m_thread = std::thread(&DeliveryWorker::run, this);
    m_wake.notify_all();
}

void DeliveryWorker::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        ++m_generation;
        m_queue.clear();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = false;
}

void DeliveryWorker::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.isEmpty(); });
        if (m_stopping)
            return;
        QJsonObject message = m_queue.takeFirst();
        const quint64 generation = m_generation;
        m_handedOver = false;
        lock.unlock();
        // The web channel passes what a thread other than its own emits through the GUI thread's
        // queue anyway; handing over there ourselves lets the pace and the origin gate hold where
        // the page receives, not only here.
        QMetaObject::invokeMethod(
            m_context, [this, message, generation] { handOverOnContextThread(message, generation); },
            Qt::QueuedConnection);
        lock.lock();
        m_wake.wait(lock, [this] { return m_stopping || m_handedOver; });
        if (m_stopping)
            return;
        // The pause keeps the page's pace; the queue stays open to the GUI thread meanwhile.
        if (m_wake.wait_until(lock, m_handedOverAt + std::chrono::milliseconds(kPaceMs), [this] { return m_stopping; }))
            return;
    }
}

void DeliveryWorker::handOverOnContextThread(QJsonObject message, quint64 generation)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (generation != m_generation)
            return;
    }
    // Unlocked: whoever hears the page's message may queue the next one from its slot.
    m_handOver(message);
    // Once the message is on its way: a hand-over that took its time must not shorten the gap.
    const auto handedOverAt = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (generation != m_generation)
            return;
        m_handedOver = true;
        m_handedOverAt = handedOverAt;
    }
    m_wake.notify_all();
}
