#include "hostcalllog.h"

#include <QFile>
#include <QJsonDocument>
#include <QMutexLocker>

namespace {

bool matches(const QJsonObject& entry, const QString& iface, const QString& op)
{
    return entry.value(QStringLiteral("iface")).toString() == iface
        && (op.isEmpty() || entry.value(QStringLiteral("op")).toString() == op);
}

} // namespace

HostCallLog::HostCallLog(QObject* parent)
    : QObject(parent)
{
}

HostCallLog::~HostCallLog() = default;

void HostCallLog::record(const QString& iface, const QString& op, const QJsonArray& args)
{
    QJsonObject entry;
    {
        QMutexLocker lock(&m_mutex);
        entry.insert(QStringLiteral("seq"), ++m_lastSeq);
        entry.insert(QStringLiteral("iface"), iface);
        entry.insert(QStringLiteral("op"), op);
        entry.insert(QStringLiteral("args"), args);
        m_entries.append(entry);
        if (m_file) {
            m_file->write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
            m_file->flush();
        }
    }
    // Unlocked: a listener may read the log or make host calls of its own.
    emit recorded(entry);
}

QJsonArray HostCallLog::entries() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries;
}

QJsonArray HostCallLog::entries(const QString& iface, const QString& op) const
{
    QMutexLocker lock(&m_mutex);
    QJsonArray found;
    for (const QJsonValue& value : m_entries) {
        if (matches(value.toObject(), iface, op))
            found.append(value);
    }
    return found;
}

int HostCallLog::count(const QString& iface, const QString& op) const
{
    return entries(iface, op).size();
}

QJsonArray HostCallLog::lastArgs(const QString& iface, const QString& op) const
{
    const QJsonArray found = entries(iface, op);
    if (found.isEmpty())
        return QJsonArray();
    return found.last().toObject().value(QStringLiteral("args")).toArray();
}

void HostCallLog::clear()
{
    QMutexLocker lock(&m_mutex);
    m_entries = QJsonArray();
}

bool HostCallLog::setFile(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_file.reset();
    if (path.isEmpty())
        return true;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qWarning("HostCallLog: cannot write %s: %s", qUtf8Printable(path),
                 qUtf8Printable(file->errorString()));
        return false;
    }
    m_file = std::move(file);
    return true;
}

QString HostCallLog::fileName() const
{
    QMutexLocker lock(&m_mutex);
    return m_file ? m_file->fileName() : QString();
}
