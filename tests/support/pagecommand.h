#pragma once

// Round trips of page commands, for the suites that drive the command table from the probe page,
// and a compact form of the host call log for literal expectations.

#include "hostcalllog.h"
#include "ivornik.h"
#include "pagescript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTest>

inline QString compactJson(const QJsonValue& value)
{
    // Wrapped, because a document holds only arrays and objects; the brackets are cut off again.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

// The calls the host received, each as "Iface.op[args]".
inline QStringList hostCalls(const HostCallLog* log)
{
    QStringList calls;
    for (const QJsonValue& value : log->entries()) {
        const QJsonObject entry = value.toObject();
        calls.append(entry.value("iface").toString() + '.' + entry.value("op").toString()
                     + compactJson(entry.value("args")));
    }
    return calls;
}

// Each message as "event data", for comparing with literal lists.
inline QStringList eventsAndData(const QJsonArray& messages)
{
    QStringList list;
    for (const QJsonValue& value : messages) {
        const QJsonObject message = value.toObject();
        list.append(message.value("event").toString() + ' ' + compactJson(message.value("data")));
    }
    return list;
}

// Sends the command (an object or its JSON text) from the page, with a callback name of its own
// unless it names one, and waits for that reply. Returns what the page received from the send on,
// the reply last; empty on time-out. Delivery keeps order, so everything the command caused for
// the page is in it.
inline QJsonArray roundTrip(QWebEnginePage* page, QJsonObject command)
{
    static int serial = 0;
    if (!command.contains("callbackEvent"))
        command.insert("callbackEvent", QStringLiteral("reply-%1").arg(++serial));
    const QString callback = command.value("callbackEvent").toString();
    evaluate(page, QStringLiteral("window.received = []; true"));
    sendFromPage(page, QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
    QJsonArray messages;
    (void)waitInEventLoop([&] {
        const QJsonArray received = receivedMessages(page);
        messages = QJsonArray();
        for (const QJsonValue& message : received) {
            messages.append(message);
            if (message.toObject().value("event").toString() == callback)
                return true;
        }
        return false;
    }, 30000);
    const bool answered = !messages.isEmpty() && messages.last().toObject().value("event").toString() == callback;
    return answered ? messages : QJsonArray();
}

inline QJsonArray roundTrip(QWebEnginePage* page, const QString& commandText)
{
    return roundTrip(page, QJsonDocument::fromJson(commandText.toUtf8()).object());
}

// The "data" of the reply that ends a round trip.
inline QJsonObject replyData(const QJsonArray& messages)
{
    return messages.isEmpty() ? QJsonObject() : messages.last().toObject().value("data").toObject();
}

// What the page has received, each message as "event data", up to a marker the host sends now;
// the page's list is emptied after. Delivery keeps order, so whatever was queued before has come.
inline QStringList pushesUntilMarker(IVornik* vornik, QWebEnginePage* page)
{
    // A name of its own, so an earlier marker still in the page is not taken for this one.
    static int serial = 0;
    const QString marker = QStringLiteral("marker-%1").arg(++serial);
    vornik->sendToPage(8, marker, QJsonObject());
    QStringList pushes;
    const bool marked = waitInEventLoop([&] {
        pushes = eventsAndData(receivedMessages(page));
        return !pushes.isEmpty() && pushes.last() == marker + " {}";
    }, 30000);
    if (!marked)
        return pushes << "(the marker never came)";
    evaluate(page, QStringLiteral("window.received = []; true"));
    pushes.removeLast();
    return pushes;
}
