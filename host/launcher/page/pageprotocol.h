// The launcher's page room: the page as the launcher sees it (the protocol check, the traffic, the loads).
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;

// The page protocol as the plug-in handles it, one row per command: the JSON type its "data" is
// read as, whether it replies with something, the keys it reads with their types, and what its
// reply carries; and one row per message the plug-in pushes unasked. Written from the plug-in's
// handlers, and kept in step with the summary table of docs/PAGE_PROTOCOL.md and with the page's
// type declarations (host/www/vornik-protocol.d.ts) by tests.
namespace PageProtocol {

enum class Type {
    None,    // not read at all
    Any,     // read whatever it is
    String,
    Integer, // a number without a fraction, in int range: the plug-in reads it with toInt
    Boolean,
    Object,
    Array,   // of objects: keys are those of each item
};

// Whether a key is there. A key the page sends may always be left out; these say what the page
// can count on in what the plug-in sends.
enum class Presence {
    Optional,
    Always,
    // The keys of one object so marked come all together or not at all.
    Together,
};

// A key named so stands for every key of the object, whatever its name.
extern const QString kAnyName;

struct Key
{
    Key(const QString& name, Type type, const QVector<Key>* keys = nullptr, Presence presence = Presence::Optional,
        const QStringList& values = {}, const QString& fallback = {})
        : name(name), type(type), keys(keys), presence(presence), values(values), fallback(fallback)
    {
    }

    QString name;
    Type type;
    // Of an object, or of each item of an array, where they are known. The protocol check reads
    // the top level only; the page's type declarations read them all.
    const QVector<Key>* keys;
    Presence presence;
    // The only strings the plug-in sends for it; empty: any.
    QStringList values;
    // What the plug-in reads for a missing key (or one of another type), as JSON, where it names
    // a value of its own.
    QString fallback;
};

struct Command
{
    Command(const QString& name, Type data, bool replies, const QVector<Key>& keys, const QVector<Key>& reply = {},
            const QVector<Key>& extra = {})
        : name(name), data(data), replies(replies), keys(keys), reply(reply), extra(extra)
    {
    }

    QString name;
    Type data;
    bool replies;
    QVector<Key> keys;
    // What the reply's "data" carries, for a command that replies.
    QVector<Key> reply;
    // Top-level keys it reads beside "event", "callbackEvent" and "data".
    QVector<Key> extra;
};

// A message the plug-in sends the page unasked, and what its "data" carries.
struct Push
{
    QString name;
    QVector<Key> keys;
};

const QVector<Command>& commands();
// Null for a name the plug-in does not know.
const Command* find(const QString& name);
const QVector<Push>& pushes();

// The page's type declarations (TypeScript), written from the tables above.
QString typeDeclarations();
// The same tables as a script that sets the global VornikProtocol, for the page client's
// development mode and its mock (host/www/vornik-protocol.js).
QString clientTable();
// What --write-protocol-types writes to a file of that name: the table for a ".js" that is not a
// ".d.ts", else the declarations.
QString protocolFile(const QString& fileName);
// Gives every document the page in container loads from now on the client table, Qt's
// qwebchannel.js (so a page of any server can connect) and whether the client starts in
// development mode. False when there is no page there.
bool offerToPage(QWidget* container, bool development);

// As the docs write it: "–", "any", "string", "integer", "boolean", "object", "array".
QString typeName(Type type);
// The JSON type of a value as a reader of a warning understands it.
QString typeOf(const QJsonValue& value);
bool fits(const QJsonValue& value, Type type);

} // namespace PageProtocol

// Checks the page's commands against the protocol as they are sent, and follows the callback
// names that wait for their replies. Every warning names a command that will not do what its
// author likely meant; a command the plug-in handles as meant gets none.
class ProtocolCheck
{
public:
    // The warnings for a command text the page sent as the seq-th entry of the traffic; from now
    // on its callback name waits for its reply.
    QStringList command(const QString& text, qint64 seq);
    // A message handed to the page: it answers the oldest command waiting under its event name.
    void message(const QJsonObject& message);
    // The page started afresh: replies to the commands of the page that was are no one's.
    void forgetWaiting();

private:
    // By callback name: the seqs of the commands waiting for a reply under it, oldest first.
    QHash<QString, QVector<qint64>> m_waiting;
};
