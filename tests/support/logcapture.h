#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Collects what the plug-in writes through Qt's message handler, as the host's log would see it,
// while still passing every line on to the previous handler.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    QStringList lines() const;
    // Lines that start with prefix.
    QStringList lines(const QString& prefix) const;
    // Lines that start with prefix and were written on a thread other than the application's.
    QStringList linesOffGuiThread(const QString& prefix) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    static LogCapture* s_active;
    QtMessageHandler m_previous;
    mutable QMutex m_mutex;
    QStringList m_lines;
    QStringList m_offGuiThread;
};
