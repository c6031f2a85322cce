#include "hostcalllog.h"

#include <QFile>
#include <QJsonDocument>
#include <QMetaMethod>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>

#include <utility>

namespace {

QByteArray jsonOf(const QJsonObject& entry)
{
    return QJsonDocument(entry).toJson(QJsonDocument::Compact);
}

} // namespace

QJsonObject HostCallLog::Stored::object() const
{
    return QJsonObject{{QStringLiteral("seq"), seq},
                       {QStringLiteral("iface"), iface},
                       {QStringLiteral("op"), op},
                       {QStringLiteral("args"), args}};
}

// Writes the entries handed to it as JSON lines, on a thread of its own: a call must not wait for
// the disk, nor for the serialization of a large argument (a whole game list document). The
// texts it makes go back to the log, which answers /control/log with them.
class HostCallLog::FileWriter
{
public:
    FileWriter(HostCallLog* log, std::unique_ptr<QFile> file)
        : m_log(log)
        , m_file(std::move(file))
        , m_thread(QThread::create([this] { run(); }))
    {
        m_thread->setObjectName(QStringLiteral("HostCallLog file"));
        m_thread->start();
    }

    // Everything queued is in the file when this returns. The log must not be locked: the
    // writer hands it the texts of its last entries.
    ~FileWriter()
    {
        {
            QMutexLocker lock(&m_mutex);
            m_stopping = true;
            m_wake.wakeOne();
        }
        m_thread->wait();
    }

    QString fileName() const { return m_file->fileName(); }

    // Entries come in the order of their seq, without gaps.
    void add(const Stored& entry)
    {
        QMutexLocker lock(&m_mutex);
        m_queue.append(entry);
        // Only a writer with nothing to do is woken; one that is gathering a burst takes this
        // entry with it. Waking it per call would cost the caller a system call each.
        if (m_idle) {
            m_idle = false;
            m_wake.wakeOne();
        }
    }

private:
    void run()
    {
        QVector<Stored> batch;
        QVector<QByteArray> texts;
        QMutexLocker lock(&m_mutex);
        for (;;) {
            while (m_queue.isEmpty() && !m_stopping) {
                m_idle = true;
                m_wake.wait(&m_mutex);
            }
            m_idle = false;
            if (m_queue.isEmpty())
                return;
            // Calls come in bursts: the rest of this one is written with it, a moment later.
            if (!m_stopping)
                m_wake.wait(&m_mutex, kGatherMs);
            batch.swap(m_queue);
            lock.unlock();
            texts.reserve(batch.size());
            for (const Stored& entry : qAsConst(batch)) {
                texts.append(jsonOf(entry.object()));
                m_file->write(texts.constLast() + '\n');
            }
            // Whoever follows the file sees each burst as soon as it is written.
            m_file->flush();
            m_log->keepJson(batch.constFirst().seq, texts);
            batch.clear();
            texts.clear();
            lock.relock();
        }
    }

    static constexpr unsigned long kGatherMs = 20;

    HostCallLog* m_log;
    std::unique_ptr<QFile> m_file;
    QMutex m_mutex;
    QWaitCondition m_wake;
    QVector<Stored> m_queue;
    bool m_idle = false;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread;
};

HostCallLog::HostCallLog(QObject* parent)
    : QObject(parent)
{
}

HostCallLog::~HostCallLog()
{
    // Stopped first, unlocked: it hands this log its last texts on its way out.
    std::unique_ptr<FileWriter> writer;
    {
        QMutexLocker lock(&m_mutex);
        writer = std::move(m_writer);
    }
}

void HostCallLog::record(const QString& iface, const QString& op, const QJsonArray& args)
{
    Stored entry{0, iface, op, args, QByteArray()};
    bool announce = false;
    {
        QMutexLocker lock(&m_mutex);
        entry.seq = ++m_lastSeq;
        m_entries.append(entry);
        trimLocked();
        if (m_writer)
            m_writer->add(entry);
        announce = !std::exchange(m_announcing, true);
    }
    // One announcement per burst: a host that makes a hundred thousand calls in one go must not
    // leave a hundred thousand events behind for its views.
    if (announce)
        QMetaObject::invokeMethod(this, &HostCallLog::announce, Qt::QueuedConnection);
    // Unlocked: a listener may read the log or make host calls of its own. The object is made
    // only for somebody who listens to every call.
    static const QMetaMethod recordedSignal = QMetaMethod::fromSignal(&HostCallLog::recorded);
    if (isSignalConnected(recordedSignal))
        emit recorded(entry.object());
}

void HostCallLog::announce()
{
    qint64 last = 0;
    {
        QMutexLocker lock(&m_mutex);
        m_announcing = false;
        last = m_lastSeq;
    }
    emit appended(last);
}

QJsonArray HostCallLog::entries() const
{
    QJsonArray all;
    for (const QJsonObject& entry : entriesAfter(0))
        all.append(entry);
    return all;
}

QJsonArray HostCallLog::entries(const QString& iface, const QString& op) const
{
    QJsonArray found;
    for (const QJsonObject& entry : entriesAfter(0, iface, op))
        found.append(entry);
    return found;
}

int HostCallLog::count(const QString& iface, const QString& op) const
{
    return entriesAfter(0, iface, op).size();
}

QJsonArray HostCallLog::lastArgs(const QString& iface, const QString& op) const
{
    const QVector<QJsonObject> found = entriesAfter(0, iface, op);
    if (found.isEmpty())
        return QJsonArray();
    return found.constLast().value(QLatin1String("args")).toArray();
}

QVector<QJsonObject> HostCallLog::entriesAfter(qint64 since, const QString& iface, const QString& op) const
{
    QMutexLocker lock(&m_mutex);
    const int first = static_cast<int>(qBound<qint64>(0, since - m_firstSeq + 1, m_entries.size()));
    QVector<QJsonObject> found;
    if (iface.isEmpty())
        found.reserve(m_entries.size() - first);
    for (int i = first; i < m_entries.size(); ++i) {
        const Stored& entry = m_entries.at(i);
        if (iface.isEmpty() || (entry.iface == iface && (op.isEmpty() || entry.op == op)))
            found.append(entry.object());
    }
    return found;
}

QByteArray HostCallLog::jsonAfter(qint64 since, qint64 upTo)
{
    qint64 first = 0;
    QVector<Stored> part;
    {
        QMutexLocker lock(&m_mutex);
        first = qMax(since + 1, m_firstSeq);
        const qint64 from = first - m_firstSeq;
        const qint64 to = qMin<qint64>(upTo - m_firstSeq + 1, m_entries.size());
        if (from < to)
            part = m_entries.mid(static_cast<int>(from), static_cast<int>(to - from));
    }
    QVector<QByteArray> texts;
    texts.reserve(part.size());
    bool made = false;
    qint64 size = 2;
    for (const Stored& stored : qAsConst(part)) {
        made = made || stored.json.isEmpty();
        texts.append(stored.json.isEmpty() ? jsonOf(stored.object()) : stored.json);
        size += texts.constLast().size() + 1;
    }
    // Let go of the copy first: holding on to it, keeping the texts would copy the whole log.
    part = QVector<Stored>();
    if (made)
        keepJson(first, texts);

    QByteArray json;
    json.reserve(static_cast<int>(size));
    json.append('[');
    for (int i = 0; i < texts.size(); ++i) {
        if (i > 0)
            json.append(',');
        json.append(texts.at(i));
    }
    json.append(']');
    return json;
}

void HostCallLog::keepJson(qint64 first, const QVector<QByteArray>& texts)
{
    QMutexLocker lock(&m_mutex);
    for (int i = 0; i < texts.size(); ++i) {
        const qint64 index = first + i - m_firstSeq;
        if (index < 0 || index >= m_entries.size())
            continue;
        Stored& stored = m_entries[static_cast<int>(index)];
        if (stored.json.isEmpty())
            stored.json = texts.at(i);
    }
}

qint64 HostCallLog::lastSeq() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastSeq;
}

int HostCallLog::size() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.size();
}

void HostCallLog::setLimit(int entries)
{
    QMutexLocker lock(&m_mutex);
    m_limit = qMax(0, entries);
    trimLocked();
}

void HostCallLog::trimLocked()
{
    if (m_limit <= 0 || m_entries.size() <= m_limit + m_limit / 8)
        return;
    const int drop = m_entries.size() - m_limit;
    m_entries.remove(0, drop);
    m_firstSeq += drop;
}

void HostCallLog::clear()
{
    QMutexLocker lock(&m_mutex);
    m_entries = QVector<Stored>();
    m_firstSeq = m_lastSeq + 1;
}

bool HostCallLog::setFile(const QString& path)
{
    std::unique_ptr<QFile> file;
    if (!path.isEmpty()) {
        file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            qWarning("HostCallLog: cannot write %s: %s", qUtf8Printable(path),
                     qUtf8Printable(file->errorString()));
            return false;
        }
    }
    std::unique_ptr<FileWriter> previous;
    {
        QMutexLocker lock(&m_mutex);
        previous = std::move(m_writer);
        if (file)
            m_writer = std::make_unique<FileWriter>(this, std::move(file));
    }
    // Finishes the previous file outside the lock: its writer hands this log its last texts.
    previous.reset();
    return true;
}

QString HostCallLog::fileName() const
{
    QMutexLocker lock(&m_mutex);
    return m_writer ? m_writer->fileName() : QString();
}
