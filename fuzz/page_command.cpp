// A page's command text, as the bridge hands it to the plug-in from a page of its own origin:
// parse, command table, the host calls a command makes and the reply it queues.

#include "fuzzsupport.h"
#include "hostcalllog.h"
#include "jsontext.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QJsonDocument>
#include <QJsonParseError>

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    Fuzz::startApplication((*argv)[0]);
    // Bound before the first input, so its start-up is not taken for the first input's doing.
    Fuzz::harness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = Fuzz::text(data, size);
    const QJsonObject reply = Fuzz::command(text);

    // The page's side of the protocol: text that is not JSON, or that repeats a key over an object
    // or array, is dropped without a reply or a host call, and a reply goes out exactly when the
    // command names a callback event, under that name.
    const QByteArray json = text.toUtf8();
    const bool refused = JsonText::replacesNonEmptyValue(json);
    QJsonParseError error;
    const QJsonObject command = refused ? QJsonObject() : QJsonDocument::fromJson(json, &error).object();
    if (refused || error.error != QJsonParseError::NoError) {
        if (!reply.isEmpty() || !Fuzz::harness().log()->entries().isEmpty())
            Fuzz::fail("text that is not JSON was acted on", text);
    } else {
        const QString callbackEvent = command.value(QStringLiteral("callbackEvent")).toString();
        const bool answered = reply.value(QStringLiteral("event")).toString() == callbackEvent
            && reply.value(QStringLiteral("page")).toInt() == 8 && reply.value(QStringLiteral("data")).isObject();
        if (callbackEvent.isEmpty() ? !reply.isEmpty() : !answered)
            Fuzz::fail("the reply does not answer the command's callback event",
                       QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact)));
    }
    Fuzz::settle();
    return 0;
}
