#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QObject>

#include <memory>

class QFile;

// Everything the stand-in host was asked, in order: {"seq", "iface", "op", "args"} per call.
// Safe to record from any thread; `recorded` is emitted on the recording thread.
class HostCallLog : public QObject
{
    Q_OBJECT
public:
    explicit HostCallLog(QObject* parent = nullptr);
    ~HostCallLog() override;

    void record(const QString& iface, const QString& op, const QJsonArray& args = QJsonArray());

    QJsonArray entries() const;
    // The entries of one interface; with an op, of that operation only.
    QJsonArray entries(const QString& iface, const QString& op = QString()) const;
    int count(const QString& iface, const QString& op = QString()) const;
    // The "args" of the latest matching entry, or an empty array.
    QJsonArray lastArgs(const QString& iface, const QString& op) const;

    // Forgets the entries in memory; the sequence numbers go on, so a log file stays unambiguous.
    void clear();

    // Also writes each entry as one compact JSON line to path (truncated first), flushed per
    // line. An empty path stops writing. False when the file cannot be opened.
    bool setFile(const QString& path);
    QString fileName() const;

signals:
    void recorded(const QJsonObject& entry);

private:
    mutable QMutex m_mutex;
    QJsonArray m_entries;
    qint64 m_lastSeq = 0;
    std::unique_ptr<QFile> m_file;
};
