#pragma once

#include <QJsonArray>
#include <QString>
#include <QVariant>

#include <functional>

class QWebEnginePage;

// Waits until predicate holds, in a real event loop, as a host runs one: QTest's waits sleep
// 10 ms between passes, and the web engine does its GUI-thread work only when they let it (a
// page took 3 s to load that way instead of 0.4 s). False on time-out.
bool waitInEventLoop(const std::function<bool()>& predicate, int timeoutMs);

// Runs a script in the page and waits for its result (the page's event loop keeps running).
QVariant evaluate(QWebEnginePage* page, const QString& script, int timeoutMs = 30000);

// The messages the probe page has received from the plug-in so far.
QJsonArray receivedMessages(QWebEnginePage* page);

// Sends a command text through the probe page's bridge, exactly as the page's script would.
void sendFromPage(QWebEnginePage* page, const QString& commandText);
