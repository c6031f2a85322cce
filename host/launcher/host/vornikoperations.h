#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

class IVornik;

// The IVornik operations a script may call by name, with JSON arguments. Two operations are not
// offered: createView and addModedGameListListener take a widget and an object, which JSON cannot
// carry; the launcher makes both calls itself at start.
namespace VornikOperations {

// Checks the arguments against the operation's parameters and, only when they fit, calls it on
// the calling (GUI) thread. *result is the operation's answer as JSON: null for operations that
// answer nothing, the moded game list as an array of objects. False, with *error, on an unknown
// operation or unfitting arguments; nothing is called then.
bool call(IVornik* vornik, const QString& operation, const QJsonArray& arguments, QJsonValue* result,
          QString* error);

// "name(type, ...)" for every operation offered, in interface order.
QStringList signatures();

} // namespace VornikOperations
