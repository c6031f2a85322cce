#pragma once

#include "launcher/page/pageprotocol.h"

#include <QJsonObject>
#include <QMutex>
#include <QObject>
#include <QVector>

#include <deque>

class QWebEnginePage;

// What the page and the plug-in say to each other, seen from the host's side: the page's web
// channel is the host's page's, so the bridge the plug-in publishes on it can be listened to like
// any object. Entries, numbered by "seq" from 1 without gaps:
//   {"seq", "time", "kind": "command", "text", "warnings": [...]}  a command as the page sent it
//   {"seq", "time", "kind": "message", "message": {...}}           a message handed to the page
//   {"seq", "time", "kind": "load", "url"}                          the page started loading
// "time" is in milliseconds since 1970 (a message's own "stamp" when it has one). Commands are
// checked against the page protocol; a command with warnings will not do what its author likely
// meant. Keeps the newest entries up to its capacity. Records on its own thread, the GUI thread;
// reading is safe from any thread.
class PageTraffic : public QObject
{
    Q_OBJECT
public:
    explicit PageTraffic(int capacity = 20000, QObject* parent = nullptr);

    // Listens to the bridge published on the page's web channel, and to the page's loads. False
    // when the page has no channel or the channel no bridge.
    bool watch(QWebEnginePage* page);

    // The entries kept whose seq is above since, oldest first.
    QVector<QJsonObject> entriesAfter(qint64 since) const;
    // Those with since < seq <= upTo as a compact JSON array; for answers made off the GUI thread.
    QByteArray jsonAfter(qint64 since, qint64 upTo) const;
    qint64 lastSeq() const;
    // Of all entries ever recorded: commands, and commands with warnings.
    qint64 commandCount() const;
    qint64 warnedCount() const;

public slots:
    // What watch() listens with; callable without a page.
    void recordCommand(const QString& text);
    void recordMessage(const QJsonObject& message);
    void recordLoad(const QString& url);

signals:
    // Once per pass of the event loop in which entries came, however many.
    void appended(qint64 lastSeq);

private:
    void record(QJsonObject entry);
    void announce();

    int m_capacity;
    ProtocolCheck m_check;
    mutable QMutex m_mutex;
    std::deque<QJsonObject> m_entries;
    qint64 m_lastSeq = 0;
    qint64 m_commands = 0;
    qint64 m_warned = 0;
    bool m_announcing = false;
};
