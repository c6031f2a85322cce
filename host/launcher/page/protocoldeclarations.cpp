#include "launcher/page/pageprotocol.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <QWidget>

// The page's TypeScript declarations and the client's table, written from the protocol tables so
// that an editor and the client hold a page to the same protocol the launcher's check holds it to
// at run time. Both files are kept in the repository; a test compares them with what this writes.
namespace PageProtocol {
namespace {

const QString kStep = QStringLiteral("  ");

QString quoted(const QString& text)
{
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""))
        + QLatin1Char('"');
}

QString memberName(const QString& name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_$][A-Za-z0-9_$]*$"));
    return identifier.match(name).hasMatch() ? name : quoted(name);
}

QString objectType(const QVector<Key>& keys, const QString& indent);

QString valueType(Type type, const QVector<Key>* keys, const QStringList& values, const QString& indent)
{
    switch (type) {
    case Type::None:
        return QStringLiteral("undefined");
    case Type::Any:
        return QStringLiteral("VornikJson");
    case Type::String: {
        if (values.isEmpty())
            return QStringLiteral("string");
        QStringList literals;
        for (const QString& value : values)
            literals.append(quoted(value));
        return literals.join(QLatin1String(" | "));
    }
    case Type::Integer:
        return QStringLiteral("number");
    case Type::Boolean:
        return QStringLiteral("boolean");
    case Type::Object:
        return keys ? objectType(*keys, indent) : QStringLiteral("VornikJsonObject");
    case Type::Array:
        return keys ? QStringLiteral("Array<%1>").arg(objectType(*keys, indent)) : QStringLiteral("VornikJson[]");
    }
    return QString();
}

// A key of an object as a member line, with what a type cannot say in a comment above it.
QString member(const Key& key, bool optional, const QString& indent)
{
    QStringList notes;
    if (key.type == Type::Integer)
        notes.append(QStringLiteral("A whole number."));
    if (!key.fallback.isEmpty())
        notes.append(QStringLiteral("@default ") + key.fallback);
    QString text;
    if (notes.size() == 1)
        text = indent + QStringLiteral("/** %1 */\n").arg(notes.constFirst());
    else if (!notes.isEmpty())
        text = indent + QStringLiteral("/**\n") + indent + QStringLiteral(" * ")
            + notes.join(QLatin1Char('\n') + indent + QStringLiteral(" * ")) + QLatin1Char('\n') + indent
            + QStringLiteral(" */\n");
    const QString type = valueType(key.type, key.keys, key.values, indent);
    if (key.name == kAnyName)
        return text + indent + QStringLiteral("[key: string]: %1;").arg(type);
    return text + indent + memberName(key.name) + (optional ? QStringLiteral("?: ") : QStringLiteral(": ")) + type
        + QLatin1Char(';');
}

QString block(const QStringList& members, const QString& indent)
{
    if (members.isEmpty())
        return QStringLiteral("{}");
    return QStringLiteral("{\n") + members.join(QLatin1Char('\n')) + QLatin1Char('\n') + indent + QLatin1Char('}');
}

// Keys that come together make a union: the object with all of them, or with none.
QString objectType(const QVector<Key>& keys, const QString& indent)
{
    const QString inner = indent + kStep;
    QStringList single;
    QStringList all;
    QStringList none;
    for (const Key& key : keys) {
        if (key.presence == Presence::Together) {
            all.append(member(key, false, inner));
            none.append(inner + memberName(key.name) + QStringLiteral("?: never;"));
        } else {
            single.append(member(key, key.presence == Presence::Optional, inner));
        }
    }
    if (all.isEmpty())
        return block(single, indent);
    const QString either = block(all, indent) + QStringLiteral(" | ") + block(none, indent);
    if (single.isEmpty())
        return either;
    return block(single, indent) + QStringLiteral(" & (") + either + QLatin1Char(')');
}

QString commandDataType(const Command& command, const QString& indent)
{
    // Of an array command, the keys are those of each item.
    return valueType(command.data, command.keys.isEmpty() ? nullptr : &command.keys, {}, indent);
}

QString nameUnion(const QString& comment, const QString& name, const QStringList& names)
{
    return QStringLiteral("/** %1 */\nexport type %2 =\n  | %3;\n").arg(comment, name, names.join(QLatin1String("\n  | ")));
}

const char* const kHead = R"(// The Vornik page protocol, for pages written in TypeScript or in JavaScript checked by it: every
// command the page sends, what it reads and what it replies, and every message the plug-in pushes
// unasked. Written by `vornik-launcher --write-protocol-types FILE` from the table the launcher's
// protocol check uses; not edited by hand. docs/PAGE_PROTOCOL.md says how to use it and what types
// cannot tell.
//
// A key the page leaves out, or sends with another JSON type, reads as "", 0, false, {} or [], or
// as its @default; keys the plug-in does not read are ignored.

/** Any value JSON can carry. */
export type VornikJson = string | number | boolean | null | VornikJson[] | { [key: string]: VornikJson };
/** A JSON object. */
export type VornikJsonObject = { [key: string]: VornikJson };
/** The reply of a command that replies with nothing. */
export type VornikEmpty = { [key: string]: never };

)";

const char* const kTail = R"(
/** A command as the page sends it: written as JSON text to `webBridge.dataChanged`. */
export type VornikCommand<N extends VornikCommandName = VornikCommandName> = VornikCommandMap[N];
/** What command `N` reads from `data`. */
export type VornikCommandData<N extends VornikCommandName> = VornikCommandDataMap[N];
/** The `data` of the reply to command `N`. */
export type VornikReplyData<N extends VornikCommandName> = N extends VornikReplyingCommandName
  ? VornikReplyDataMap[N]
  : VornikEmpty;
/** The `data` of the pushed message `E`. */
export type VornikPushData<E extends VornikPushEventName> = VornikPushDataMap[E];

/** A message as the page receives it, from `webBridge.contentChanged`. */
export interface VornikMessage<E extends string = string, D = VornikJsonObject> {
  /** The name of a pushed message, or the `callbackEvent` of the command it answers. */
  event: E;
  /** The page mask the sender addressed: 8 is the Vornik page. */
  page: number;
  data: D;
  /** Milliseconds since 1970-01-01 UTC, when the message was handed to the page. */
  stamp: number;
}
/** A message the plug-in pushed unasked. */
export type VornikPushMessage<E extends VornikPushEventName> = VornikMessage<E, VornikPushData<E>>;
/** The reply to command `N`, under its `callbackEvent`. */
export type VornikReplyMessage<N extends VornikCommandName> = VornikMessage<string, VornikReplyData<N>>;
)";

const char* const kTableHead = R"(// The Vornik page protocol as vornik-client.js reads it: what its development mode checks each
// command against before it is sent, and which commands its mock answers with something. Written
// by `vornik-launcher --write-protocol-types vornik-protocol.js` from the table the launcher's
// protocol check uses; not edited by hand. The launcher hands it to its page itself; elsewhere the
// client loads it from beside its own file. "keys": the types of the keys of "data" (of each item,
// where "data" is an array); "extra": top-level keys beside "event", "callbackEvent" and "data".
globalThis.VornikProtocol = {
)";

QString tableType(Type type)
{
    return type == Type::None ? QStringLiteral("none") : typeName(type);
}

// In the table's order, which is the order the launcher's check words its warnings in.
QString keyTypes(const QVector<Key>& keys)
{
    QStringList types;
    for (const Key& key : keys)
        types.append(quoted(key.name) + QLatin1Char(':') + quoted(tableType(key.type)));
    return QLatin1Char('{') + types.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace

QString clientTable()
{
    QStringList rows;
    for (const Command& command : commands()) {
        QString row = QStringLiteral("{\"data\":%1,\"replies\":%2,\"keys\":%3")
                          .arg(quoted(tableType(command.data)),
                               command.replies ? QStringLiteral("true") : QStringLiteral("false"),
                               keyTypes(command.keys));
        if (!command.extra.isEmpty())
            row += QStringLiteral(",\"extra\":") + keyTypes(command.extra);
        rows.append(QStringLiteral("    %1: %2}").arg(quoted(command.name), row));
    }
    QJsonArray pushNames;
    for (const Push& push : pushes())
        pushNames.append(push.name);
    return QString::fromUtf8(kTableHead) + QStringLiteral("  \"commands\": {\n") + rows.join(QStringLiteral(",\n"))
        + QStringLiteral("\n  },\n  \"pushes\": ")
        + QString::fromUtf8(QJsonDocument(pushNames).toJson(QJsonDocument::Compact)) + QStringLiteral("\n};\n");
}

QString protocolFile(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".js")) && !fileName.endsWith(QLatin1String(".d.ts")) ? clientTable()
                                                                                                  : typeDeclarations();
}

bool offerToPage(QWidget* container, bool development)
{
    auto* view = container->findChild<QWebEngineView*>();
    if (!view || !view->page())
        return false;
    QFile channelScript(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!channelScript.open(QIODevice::ReadOnly))
        return false;
    QWebEngineScript script;
    script.setName(QStringLiteral("vornik-client-table"));
    // Before the page's own scripts, in their world: the client reads these as globals.
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(clientTable()
                         + QStringLiteral("globalThis.VornikLauncher = Object.freeze({ development: %1 });\n")
                               .arg(development ? QStringLiteral("true") : QStringLiteral("false"))
                         + QString::fromUtf8(channelScript.readAll()));
    view->page()->scripts().insert(script);
    return true;
}

QString typeDeclarations()
{
    QStringList commandNames;
    QStringList replyingNames;
    QStringList awaitedNames;
    QStringList dataMembers;
    QStringList replyMembers;
    QStringList commandMembers;
    for (const Command& command : commands()) {
        const QString name = quoted(command.name);
        commandNames.append(name);
        dataMembers.append(kStep + memberName(command.name) + QStringLiteral(": ") + commandDataType(command, kStep)
                           + QLatin1Char(';'));
        // The game commands (the ones that read "ga") are answered once the host has the game.
        if (command.replies || !command.extra.isEmpty())
            awaitedNames.append(name);
        if (command.replies) {
            replyingNames.append(name);
            replyMembers.append(kStep + memberName(command.name) + QStringLiteral(": ")
                                + objectType(command.reply, kStep) + QLatin1Char(';'));
        }
        const QString inner = kStep + kStep;
        // Where the plug-in reads no "data", the page sends none; where it takes anything, the
        // page may send nothing too.
        QString data = QStringLiteral("data: VornikCommandDataMap[%1];").arg(name);
        if (command.data == Type::None)
            data = QStringLiteral("data?: undefined;");
        else if (command.data == Type::Any)
            data = QStringLiteral("data?: VornikJson;");
        QStringList members = {
            inner + QStringLiteral("event: %1;").arg(name),
            inner
                + (command.replies ? QStringLiteral("/** The name its reply comes under, one of its own. */\n") + inner
                           + QStringLiteral("callbackEvent: string;")
                                   : QStringLiteral("callbackEvent?: string;")),
            inner + data,
        };
        for (const Key& key : command.extra)
            members.append(member(key, true, inner));
        commandMembers.append(kStep + memberName(command.name) + QStringLiteral(": ") + block(members, kStep)
                              + QLatin1Char(';'));
    }
    QStringList pushNames;
    QStringList pushMembers;
    for (const Push& push : pushes()) {
        pushNames.append(quoted(push.name));
        pushMembers.append(kStep + memberName(push.name) + QStringLiteral(": ") + objectType(push.keys, kStep)
                           + QLatin1Char(';'));
    }

    QString text = QString::fromUtf8(kHead);
    text += nameUnion(QStringLiteral("Every command the plug-in handles."), QStringLiteral("VornikCommandName"),
                      commandNames);
    text += QLatin1Char('\n')
        + nameUnion(QStringLiteral("The commands whose reply carries something: the ones worth a `request`."),
                    QStringLiteral("VornikReplyingCommandName"), replyingNames);
    text += QLatin1Char('\n')
        + nameUnion(QStringLiteral("What `request` takes: the commands that reply, and the game commands, whose empty "
                                   "reply says the host has taken the game."),
                    QStringLiteral("VornikAwaitedCommandName"), awaitedNames);
    text += QLatin1Char('\n') + nameUnion(QStringLiteral("The messages the plug-in pushes unasked."), QStringLiteral("VornikPushEventName"),
                      pushNames);
    text += QStringLiteral("\n/** What each command reads from `data`; `undefined`: nothing, leave it out. */\n"
                           "export interface VornikCommandDataMap ")
        + block(dataMembers, QString()) + QLatin1Char('\n');
    text += QStringLiteral("\n/** What the reply of each command that replies carries in its `data`. */\n"
                           "export interface VornikReplyDataMap ")
        + block(replyMembers, QString()) + QLatin1Char('\n');
    text += QStringLiteral("\n/** What each message pushed unasked carries in its `data`. */\n"
                           "export interface VornikPushDataMap ")
        + block(pushMembers, QString()) + QLatin1Char('\n');
    text += QStringLiteral("\n/** Each command as the page sends it. */\nexport interface VornikCommandMap ")
        + block(commandMembers, QString()) + QLatin1Char('\n');
    text += QString::fromUtf8(kTail);
    return text;
}

} // namespace PageProtocol
