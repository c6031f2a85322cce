#pragma once

#include <QJsonArray>
#include <QString>
#include <QVariant>

class QWebEnginePage;

// Runs a script in the page and waits for its result (the page's event loop keeps running).
QVariant evaluate(QWebEnginePage* page, const QString& script, int timeoutMs = 30000);

// The messages the probe page has received from the plug-in so far.
QJsonArray receivedMessages(QWebEnginePage* page);

// Sends a command text through the probe page's bridge, exactly as the page's script would.
void sendFromPage(QWebEnginePage* page, const QString& commandText);
