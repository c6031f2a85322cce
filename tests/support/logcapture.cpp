#include "logcapture.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QThread>

#include <QMutexLocker>

LogCapture* LogCapture::s_active = nullptr;

LogCapture::LogCapture()
{
    s_active = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    s_active = nullptr;
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

QStringList LogCapture::lines(const QString& prefix) const
{
    QStringList matching;
    for (const QString& line : lines()) {
        if (line.startsWith(prefix))
            matching.append(line);
    }
    return matching;
}

QStringList LogCapture::linesOffGuiThread(const QString& prefix) const
{
    QMutexLocker lock(&m_mutex);
    return m_offGuiThread.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix)));
}

void LogCapture::clear()
{
    QMutexLocker lock(&m_mutex);
    m_lines.clear();
    m_offGuiThread.clear();
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    LogCapture* capture = s_active;
    if (!capture)
        return;
    {
        QMutexLocker lock(&capture->m_mutex);
        capture->m_lines.append(message);
        if (QCoreApplication::instance() && QThread::currentThread() != QCoreApplication::instance()->thread())
            capture->m_offGuiThread.append(message);
    }
    if (capture->m_previous)
        capture->m_previous(type, context, message);
}
