#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

// The page protocol as the plug-in handles it, one row per command: the JSON type its "data" is
// read as, whether it replies with something, and the keys it reads with their types. Written
// from the plug-in's handlers, and kept in step with the summary table of docs/PAGE_PROTOCOL.md
// by a test.
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

struct Key
{
    QString name;
    Type type;
};

struct Command
{
    QString name;
    Type data;
    bool replies;
    QVector<Key> keys;
};

const QVector<Command>& commands();
// Null for a name the plug-in does not know.
const Command* find(const QString& name);

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
