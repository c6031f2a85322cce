#include "webmanager.h"

#include "webbridge.h"

#include <QJsonDocument>
#include <QJsonParseError>

void WebManager::onHtmlData(QString data)
{
    auto* bridge = qobject_cast<WebBridge*>(sender());
    if (!bridge)
        return;

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return;

    int pageMask = 0;
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        if (it.value().bridge == bridge)
            pageMask |= it.key();
    }

    QJsonObject reply;
    const QJsonObject command = document.object();
    const QString event = command.value(QStringLiteral("event")).toString();
    dispatchCommand(event, reply, command, pageMask);

    const QString callbackEvent = command.value(QStringLiteral("callbackEvent")).toString();
    if (!callbackEvent.isEmpty())
        sendToPage(pageMask, callbackEvent, reply);
}
