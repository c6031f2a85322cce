#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QObject>
#include <QVector>

#include <memory>

// Everything the stand-in host was asked, in order: {"seq", "iface", "op", "args"} per call.
// Safe to record from any thread; `recorded` is emitted on the recording thread. Recording costs
// the same with ten entries in memory as with a million: the file is written on a thread of its
// own, and views follow through `appended`, not through a queued signal per call.
class HostCallLog : public QObject
{
    Q_OBJECT
public:
    explicit HostCallLog(QObject* parent = nullptr);
    // Writes what is still queued for the file first.
    ~HostCallLog() override;

    void record(const QString& iface, const QString& op, const QJsonArray& args = QJsonArray());

    QJsonArray entries() const;
    // The entries of one interface; with an op, of that operation only.
    QJsonArray entries(const QString& iface, const QString& op = QString()) const;
    int count(const QString& iface, const QString& op = QString()) const;
    // The "args" of the latest matching entry, or an empty array.
    QJsonArray lastArgs(const QString& iface, const QString& op) const;

    // The entries in memory whose seq is above since, oldest first; with an iface (and op), only
    // theirs. Costs what it returns (and, filtered, a look at each newer entry), not the log's size.
    QVector<QJsonObject> entriesAfter(qint64 since, const QString& iface = QString(),
                                      const QString& op = QString()) const;
    // The entries in memory with since < seq <= upTo as a compact JSON array. Each entry's text is
    // made once (here, or by the file writer) and kept, so the whole log of a long session costs
    // little more than a copy the next time. Made on the calling thread: call it off the GUI thread.
    QByteArray jsonAfter(qint64 since, qint64 upTo);
    // The seq of the latest entry ever recorded; 0 before the first.
    qint64 lastSeq() const;
    // Entries in memory.
    int size() const;

    // Keeps only about the newest entries in memory (between limit and an eighth more, so the
    // oldest go a block at a time, not one per call); the file, when there is one, keeps all.
    // 0, the default, keeps every entry.
    void setLimit(int entries);

    // Forgets the entries in memory; the sequence numbers go on, so a log file stays unambiguous.
    void clear();

    // Also writes each entry as one compact JSON line to path (truncated first); the lines reach
    // the file shortly after their calls, in order. An empty path stops writing (what is queued
    // is written first). False when the file cannot be opened.
    bool setFile(const QString& path);
    QString fileName() const;

signals:
    void recorded(const QJsonObject& entry);
    // On the log's own thread, once per pass of its event loop in which calls were recorded,
    // however many: lastSeq is the latest of them. Read them with entriesAfter().
    void appended(qint64 lastSeq);

private:
    class FileWriter;

    // An entry as recorded; made into its JSON object only when somebody reads it, so a call
    // costs its recorder little more than an append.
    struct Stored
    {
        qint64 seq;
        QString iface;
        QString op;
        QJsonArray args;
        // Its compact JSON, once somebody has made it.
        QByteArray json;

        QJsonObject object() const;
    };

    void announce();
    // Drops the oldest entries past the limit; called locked.
    void trimLocked();
    // Keeps the texts made for the entries from seq first on, where none is kept yet.
    void keepJson(qint64 first, const QVector<QByteArray>& texts);

    mutable QMutex m_mutex;
    QVector<Stored> m_entries;
    // The seq of m_entries.first(), when there is one: entries in memory are numbered without gaps.
    qint64 m_firstSeq = 1;
    qint64 m_lastSeq = 0;
    int m_limit = 0;
    bool m_announcing = false;
    std::unique_ptr<FileWriter> m_writer;
};
