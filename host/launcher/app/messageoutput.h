#pragma once

#include <QMutex>
#include <QString>
#include <QByteArray>
#include <QWaitCondition>
#include <QtGlobal>

#include <memory>

class QThread;

// Qt's messages, the plug-in's log lines among them, written to standard error by a thread of
// their own. The plug-in writes several lines for every game whose APK address it looks up:
// written a system call at a time on the GUI thread, as Qt's own handler does, a list of a
// hundred thousand games held the window up for many seconds. Lines reach the terminal a moment
// later, in order; a fatal message is written at once, with everything before it.
//
// What waits is held as text, at most maxPending bytes of it: a reader of standard error slower
// than the plug-in's bursts (a busy pipe, a slow terminal) must not grow the launcher without end,
// and blocking the logging thread would hold the window. Lines past the bound are counted, not
// kept, and a line saying how many follows the last line written before them.
class MessageOutput
{
public:
    static constexpr int kDefaultMaxPending = 64 * 1024 * 1024;

    // Becomes Qt's message handler; one at a time.
    explicit MessageOutput(int maxPending = kDefaultMaxPending);
    // Writes what is still queued and gives the handler back.
    ~MessageOutput();

    MessageOutput(const MessageOutput&) = delete;
    MessageOutput& operator=(const MessageOutput&) = delete;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);
    void queue(QtMsgType type, const QString& line);
    void run();
    // Writes text to standard error; only one writer at a time, so lines keep their order.
    void write(const QByteArray& text);

    static constexpr unsigned long kGatherMs = 20;

    const int m_maxPending;
    QtMessageHandler m_previous = nullptr;
    QMutex m_mutex;
    QWaitCondition m_wake;
    // Lines waiting for the writer, each ended by a newline, in the locale's encoding.
    QByteArray m_pending;
    // Lines left out since the last write, the bound being reached.
    qint64 m_dropped = 0;
    bool m_idle = false;
    bool m_stopping = false;
    QMutex m_outputMutex;
    std::unique_ptr<QThread> m_thread;
};
