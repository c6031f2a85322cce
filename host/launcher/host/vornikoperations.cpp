#include "launcher/host/vornikoperations.h"

#include "ivornik.h"

#include <QJsonObject>
#include <QVector>

#include <cmath>
#include <functional>
#include <limits>

namespace {

enum class Type { Int, Bool, String, Object, Any };

struct Operation
{
    QString name;
    QVector<Type> parameters;
    std::function<QJsonValue(IVornik*, const QJsonArray&)> invoke;
};

QString typeName(Type type)
{
    switch (type) {
    case Type::Int:
        return QStringLiteral("integer");
    case Type::Bool:
        return QStringLiteral("boolean");
    case Type::String:
        return QStringLiteral("string");
    case Type::Object:
        return QStringLiteral("object");
    case Type::Any:
        break;
    }
    return QStringLiteral("any JSON value");
}

bool fits(const QJsonValue& value, Type type)
{
    switch (type) {
    case Type::Int: {
        const double number = value.toDouble();
        return value.isDouble() && std::trunc(number) == number && number >= std::numeric_limits<int>::min()
            && number <= std::numeric_limits<int>::max();
    }
    case Type::Bool:
        return value.isBool();
    case Type::String:
        return value.isString();
    case Type::Object:
        return value.isObject();
    case Type::Any:
        break;
    }
    return true;
}

int integer(const QJsonArray& arguments, int index)
{
    return static_cast<int>(arguments.at(index).toDouble());
}

QString text(const QJsonArray& arguments, int index)
{
    return arguments.at(index).toString();
}

QJsonArray modedGamesToJson(const ModedGameList* list)
{
    QJsonArray games;
    if (!list)
        return games;
    for (const ModedGame& game : *list) {
        games.append(QJsonObject{
            {QStringLiteral("id"), game.id},
            {QStringLiteral("packageName"), game.packageName},
            {QStringLiteral("name"), game.name},
            {QStringLiteral("apkUrl"), game.apkUrl},
        });
    }
    return games;
}

const QVector<Operation>& operations()
{
    using A = const QJsonArray&;
    static const QVector<Operation> table{
        {QStringLiteral("startDomainTest"), {Type::Int},
         [](IVornik* v, A a) { v->startDomainTest(integer(a, 0)); return QJsonValue(); }},
        {QStringLiteral("sendToPage"), {Type::Int, Type::String, Type::Object},
         [](IVornik* v, A a) { v->sendToPage(integer(a, 0), text(a, 1), a.at(2).toObject()); return QJsonValue(); }},
        {QStringLiteral("realSearch"), {Type::String, Type::Any},
         [](IVornik* v, A a) { v->realSearch(text(a, 0), a.at(1).toVariant()); return QJsonValue(); }},
        {QStringLiteral("gotoSearch"), {Type::String},
         [](IVornik* v, A a) { v->gotoSearch(text(a, 0)); return QJsonValue(); }},
        {QStringLiteral("languageChanged"), {Type::String},
         [](IVornik* v, A a) { v->languageChanged(text(a, 0)); return QJsonValue(); }},
        {QStringLiteral("setViewsVisible"), {Type::Bool},
         [](IVornik* v, A a) { v->setViewsVisible(a.at(0).toBool()); return QJsonValue(); }},
        {QStringLiteral("modedGameListDocument"), {Type::Object},
         [](IVornik* v, A a) { v->modedGameListDocument(a.at(0).toObject()); return QJsonValue(); }},
        {QStringLiteral("routeToPage"), {Type::Int, Type::Bool},
         [](IVornik* v, A a) { return QJsonValue(v->routeToPage(integer(a, 0), a.at(1).toBool())); }},
        {QStringLiteral("pushInstalledApps"), {},
         [](IVornik* v, A) { v->pushInstalledApps(); return QJsonValue(); }},
        {QStringLiteral("emptyText"), {},
         [](IVornik* v, A) { return QJsonValue(v->emptyText()); }},
        {QStringLiteral("updateOneButtonConfig"), {Type::Int},
         [](IVornik* v, A a) { v->updateOneButtonConfig(integer(a, 0)); return QJsonValue(); }},
        {QStringLiteral("switchToGame"), {Type::String, Type::String, Type::Int},
         [](IVornik* v, A a) { v->switchToGame(text(a, 0), text(a, 1), integer(a, 2)); return QJsonValue(); }},
        {QStringLiteral("setupMod"), {Type::String, Type::String, Type::String},
         [](IVornik* v, A a) { v->setupMod(text(a, 0), text(a, 1), text(a, 2)); return QJsonValue(); }},
        {QStringLiteral("modedGameList"), {},
         [](IVornik* v, A) { return QJsonValue(modedGamesToJson(v->modedGameList())); }},
        {QStringLiteral("apkUrl"), {Type::String, Type::Bool},
         [](IVornik* v, A a) { return QJsonValue(v->apkUrl(text(a, 0), a.at(1).toBool())); }},
        {QStringLiteral("isAvailable"), {},
         [](IVornik* v, A) { return QJsonValue(v->isAvailable()); }},
    };
    return table;
}

QString signature(const Operation& operation)
{
    QStringList types;
    for (const Type type : operation.parameters)
        types.append(typeName(type));
    return QStringLiteral("%1(%2)").arg(operation.name, types.join(QStringLiteral(", ")));
}

} // namespace

namespace VornikOperations {

bool call(IVornik* vornik, const QString& name, const QJsonArray& arguments, QJsonValue* result, QString* error)
{
    for (const Operation& operation : operations()) {
        if (operation.name != name)
            continue;
        if (arguments.size() != operation.parameters.size()) {
            *error = QStringLiteral("%1 takes %2 argument(s), not %3")
                         .arg(signature(operation))
                         .arg(operation.parameters.size())
                         .arg(arguments.size());
            return false;
        }
        for (int i = 0; i < arguments.size(); ++i) {
            if (!fits(arguments.at(i), operation.parameters.at(i))) {
                *error = QStringLiteral("%1: argument %2 must be of type %3")
                             .arg(signature(operation))
                             .arg(i + 1)
                             .arg(typeName(operation.parameters.at(i)));
                return false;
            }
        }
        *result = operation.invoke(vornik, arguments);
        return true;
    }
    if (name == QLatin1String("createView") || name == QLatin1String("addModedGameListListener"))
        *error = QStringLiteral("%1 takes a widget or an object and is called by the launcher itself").arg(name);
    else
        *error = QStringLiteral("unknown operation \"%1\"").arg(name);
    return false;
}

QStringList signatures()
{
    QStringList list;
    for (const Operation& operation : operations())
        list.append(signature(operation));
    return list;
}

} // namespace VornikOperations
