#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QString>
#include <QThread>

// The host's language signal may come from any thread, and its connection outlives the plug-in.
// The gate carries each change to the plug-in's thread and is closed by the plug-in's destructor
// under the same lock, so a change can never be queued for, or delivered to, a dead plug-in.
class LanguageGate
{
public:
    explicit LanguageGate(QObject* target)
        : m_target(target)
    {
    }

    void close()
    {
        QMutexLocker lock(&m_mutex);
        m_target = nullptr;
    }

    // deliver(QObject* target, const QString& code) runs on the target's thread.
    template <typename Deliver>
    void pass(const QString& code, Deliver deliver)
    {
        QMutexLocker lock(&m_mutex);
        QObject* target = m_target;
        if (!target)
            return;
        if (QThread::currentThread() == target->thread()) {
            lock.unlock();
            deliver(target, code);
            return;
        }
        // Posted while the lock keeps the target alive; Qt drops the call if the target is
        // destroyed before it runs.
        QMetaObject::invokeMethod(
            target, [target, code, deliver] { deliver(target, code); }, Qt::QueuedConnection);
    }

private:
    QMutex m_mutex;
    QObject* m_target;
};
