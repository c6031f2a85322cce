#include "launcher/page/pagetraffic.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QWebChannel>
#include <QWebEnginePage>

#include <utility>

namespace {

// The name the page finds the plug-in's object under, as the page protocol documents it.
const QString kBridgeName = QStringLiteral("webBridge");

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

PageTraffic::PageTraffic(int capacity, QObject* parent)
    : QObject(parent)
    , m_capacity(capacity)
{
}

bool PageTraffic::watch(QWebEnginePage* page)
{
    QWebChannel* channel = page ? page->webChannel() : nullptr;
    QObject* bridge = channel ? channel->registeredObjects().value(kBridgeName) : nullptr;
    if (!bridge)
        return false;
    // The plug-in's own names for its two signals; the host has no header of the bridge, and
    // needs none. A command comes on the GUI thread, after the plug-in has handled it; a message
    // comes from the plug-in's delivery worker, so it is queued over to this thread.
    connect(bridge, SIGNAL(htmlData(QString)), this, SLOT(recordCommand(QString)));
    connect(bridge, SIGNAL(contentChanged(QJsonObject)), this, SLOT(recordMessage(QJsonObject)),
            Qt::QueuedConnection);
    // As the load starts, the page may not show the address it was asked for yet.
    connect(page, &QWebEnginePage::loadStarted, this, [this, page] {
        recordLoad((page->requestedUrl().isEmpty() ? page->url() : page->requestedUrl()).toString());
    });
    return true;
}

void PageTraffic::recordCommand(const QString& text)
{
    QStringList warnings;
    {
        // The seq this command gets: the check names it to later commands.
        QMutexLocker lock(&m_mutex);
        warnings = m_check.command(text, m_lastSeq + 1);
    }
    record(QJsonObject{{QStringLiteral("time"), now()},
                       {QStringLiteral("kind"), QStringLiteral("command")},
                       {QStringLiteral("text"), text},
                       {QStringLiteral("warnings"), QJsonArray::fromStringList(warnings)}});
}

void PageTraffic::recordMessage(const QJsonObject& message)
{
    {
        QMutexLocker lock(&m_mutex);
        m_check.message(message);
    }
    const QJsonValue stamp = message.value(QLatin1String("stamp"));
    record(QJsonObject{{QStringLiteral("time"), stamp.isDouble() ? stamp.toVariant().toLongLong() : now()},
                       {QStringLiteral("kind"), QStringLiteral("message")},
                       {QStringLiteral("message"), message}});
}

void PageTraffic::recordLoad(const QString& url)
{
    {
        QMutexLocker lock(&m_mutex);
        m_check.forgetWaiting();
    }
    record(QJsonObject{{QStringLiteral("time"), now()},
                       {QStringLiteral("kind"), QStringLiteral("load")},
                       {QStringLiteral("url"), url}});
}

void PageTraffic::record(QJsonObject entry)
{
    bool announce = false;
    {
        QMutexLocker lock(&m_mutex);
        entry.insert(QStringLiteral("seq"), ++m_lastSeq);
        if (entry.value(QLatin1String("kind")) == QLatin1String("command")) {
            ++m_commands;
            if (!entry.value(QLatin1String("warnings")).toArray().isEmpty())
                ++m_warned;
        }
        m_entries.push_back(std::move(entry));
        while (static_cast<int>(m_entries.size()) > m_capacity)
            m_entries.pop_front();
        announce = !std::exchange(m_announcing, true);
    }
    // One announcement per burst, as the host call log makes them.
    if (announce)
        QMetaObject::invokeMethod(this, &PageTraffic::announce, Qt::QueuedConnection);
}

void PageTraffic::announce()
{
    qint64 last = 0;
    {
        QMutexLocker lock(&m_mutex);
        m_announcing = false;
        last = m_lastSeq;
    }
    emit appended(last);
}

QVector<QJsonObject> PageTraffic::entriesAfter(qint64 since) const
{
    QMutexLocker lock(&m_mutex);
    // Entries kept are numbered without gaps, the newest last.
    const qint64 firstSeq = m_lastSeq - static_cast<qint64>(m_entries.size()) + 1;
    const auto first = static_cast<size_t>(qBound<qint64>(0, since - firstSeq + 1, m_entries.size()));
    return QVector<QJsonObject>(m_entries.begin() + first, m_entries.end());
}

QByteArray PageTraffic::jsonAfter(qint64 since, qint64 upTo) const
{
    QJsonArray array;
    for (const QJsonObject& entry : entriesAfter(since)) {
        if (entry.value(QLatin1String("seq")).toVariant().toLongLong() > upTo)
            break;
        array.append(entry);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

qint64 PageTraffic::lastSeq() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastSeq;
}

qint64 PageTraffic::commandCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_commands;
}

qint64 PageTraffic::warnedCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_warned;
}
