#include "messageoutput.h"

#include <QMutexLocker>
#include <QThread>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<MessageOutput*> installed{nullptr};

} // namespace

MessageOutput::MessageOutput()
    : m_thread(QThread::create([this] { run(); }))
{
    m_thread->setObjectName(QStringLiteral("MessageOutput"));
    m_thread->start();
    installed = this;
    m_previous = qInstallMessageHandler(&MessageOutput::handle);
}

MessageOutput::~MessageOutput()
{
    qInstallMessageHandler(m_previous);
    installed = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_wake.wakeOne();
    }
    m_thread->wait();
}

void MessageOutput::handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // Formatted here, while the context's strings are sure to be there.
    const QString line = qFormatLogMessage(type, context, message);
    if (MessageOutput* output = installed.load())
        output->queue(type, line);
}

void MessageOutput::queue(QtMsgType type, const QString& line)
{
    if (type == QtFatalMsg) {
        // Qt ends the process when this returns: out with it now, after whatever came before.
        QStringList lines;
        {
            QMutexLocker lock(&m_mutex);
            lines.swap(m_queue);
        }
        lines.append(line);
        write(lines);
        return;
    }
    QMutexLocker lock(&m_mutex);
    m_queue.append(line);
    // Only a writer with nothing to do is woken; one gathering a burst takes this line with it.
    if (m_idle) {
        m_idle = false;
        m_wake.wakeOne();
    }
}

void MessageOutput::run()
{
    QStringList batch;
    QMutexLocker lock(&m_mutex);
    for (;;) {
        while (m_queue.isEmpty() && !m_stopping) {
            m_idle = true;
            m_wake.wait(&m_mutex);
        }
        m_idle = false;
        if (m_queue.isEmpty())
            return;
        if (!m_stopping)
            m_wake.wait(&m_mutex, kGatherMs);
        batch.swap(m_queue);
        lock.unlock();
        write(batch);
        batch.clear();
        lock.relock();
    }
}

void MessageOutput::write(const QStringList& lines)
{
    QByteArray text;
    for (const QString& line : lines)
        text += line.toLocal8Bit() + '\n';
    QMutexLocker lock(&m_outputMutex);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    std::fflush(stderr);
}
