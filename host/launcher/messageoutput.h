#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QWaitCondition>
#include <QtGlobal>

#include <memory>

class QThread;

// Qt's messages, the plug-in's log lines among them, written to standard error by a thread of
// their own. The plug-in writes several lines for every game whose APK address it looks up:
// written a system call at a time on the GUI thread, as Qt's own handler does, a list of a
// hundred thousand games held the window up for many seconds. Lines reach the terminal a moment
// later, in order; a fatal message is written at once, with everything before it.
class MessageOutput
{
public:
    // Becomes Qt's message handler; one at a time.
    MessageOutput();
    // Writes what is still queued and gives the handler back.
    ~MessageOutput();

    MessageOutput(const MessageOutput&) = delete;
    MessageOutput& operator=(const MessageOutput&) = delete;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);
    void queue(QtMsgType type, const QString& line);
    void run();
    // Writes lines to standard error; only one writer at a time, so lines keep their order.
    void write(const QStringList& lines);

    static constexpr unsigned long kGatherMs = 20;

    QtMessageHandler m_previous = nullptr;
    QMutex m_mutex;
    QWaitCondition m_wake;
    QStringList m_queue;
    bool m_idle = false;
    bool m_stopping = false;
    QMutex m_outputMutex;
    std::unique_ptr<QThread> m_thread;
};
