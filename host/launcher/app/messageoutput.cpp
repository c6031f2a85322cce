#include "launcher/app/messageoutput.h"

#include <QMutexLocker>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <utility>

namespace {

std::atomic<MessageOutput*> installed{nullptr};

QByteArray droppedNotice(qint64 dropped)
{
    return QStringLiteral("[launcher] %1 log line(s) left out here: standard error was not read as fast as they came\n")
        .arg(dropped)
        .toLocal8Bit();
}

} // namespace

MessageOutput::MessageOutput(int maxPending)
    : m_maxPending(maxPending)
    , m_thread(QThread::create([this] { run(); }))
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
    const QByteArray text = line.toLocal8Bit() + '\n';
    if (type == QtFatalMsg) {
        // Qt ends the process when this returns: out with it now, after whatever came before.
        QByteArray all;
        {
            QMutexLocker lock(&m_mutex);
            all.swap(m_pending);
            if (m_dropped > 0)
                all += droppedNotice(std::exchange(m_dropped, 0));
        }
        write(all + text);
        return;
    }
    QMutexLocker lock(&m_mutex);
    // Once one line is left out, so is every line until the writer has taken what waits: a
    // shorter line after it must not slip in before the notice that marks the gap.
    if (m_dropped > 0 || m_pending.size() > m_maxPending - text.size()) {
        ++m_dropped;
        return;
    }
    m_pending += text;
    // Only a writer with nothing to do is woken; one gathering a burst takes this line with it.
    if (m_idle) {
        m_idle = false;
        m_wake.wakeOne();
    }
}

void MessageOutput::run()
{
    QByteArray batch;
    QMutexLocker lock(&m_mutex);
    for (;;) {
        while (m_pending.isEmpty() && m_dropped == 0 && !m_stopping) {
            m_idle = true;
            m_wake.wait(&m_mutex);
        }
        m_idle = false;
        if (m_pending.isEmpty() && m_dropped == 0)
            return;
        if (!m_stopping)
            m_wake.wait(&m_mutex, kGatherMs);
        batch.swap(m_pending);
        // The lines left out came after everything that waited: the notice goes where they were.
        if (m_dropped > 0)
            batch += droppedNotice(std::exchange(m_dropped, 0));
        lock.unlock();
        write(batch);
        batch = QByteArray();
        lock.relock();
    }
}

void MessageOutput::write(const QByteArray& text)
{
    QMutexLocker lock(&m_outputMutex);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    std::fflush(stderr);
}
