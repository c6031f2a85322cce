#include "launcher/page/pageprotocol.h"

#include "jsontext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace PageProtocol {
namespace {

using T = Type;

Key key(const char* name, Type type, const QVector<Key>* keys = nullptr)
{
    return {QLatin1String(name), type, keys};
}

// Read as the type's empty value when missing, unless a fallback is named.
Key readOr(const char* name, Type type, const char* fallback)
{
    return {QLatin1String(name), type, nullptr, Presence::Optional, {}, QLatin1String(fallback)};
}

Key always(const char* name, Type type, const QVector<Key>* keys = nullptr)
{
    return {QLatin1String(name), type, keys, Presence::Always};
}

Key together(const char* name, Type type, const QVector<Key>* keys = nullptr)
{
    return {QLatin1String(name), type, keys, Presence::Together};
}

Key alwaysOneOf(const char* name, const QStringList& values)
{
    return {QLatin1String(name), T::String, nullptr, Presence::Always, values};
}

// What the game commands copy from vk_stats_info into the record's statistics.
const QVector<Key> kStatsInfoKeys = {
    key("banner_location", T::String),
    key("section", T::String),
    key("appPage", T::String),
    key("arg1", T::String),
};

// What installOrPlayAppforVm and openCloudGame copy into the game action and the game detail.
const QVector<Key> kGameKeys = {
    {QStringLiteral("package_name"), T::String},
    {QStringLiteral("game_name"), T::String},
    {QStringLiteral("id"), T::String},
    {QStringLiteral("genre"), T::String},
    {QStringLiteral("icon_url"), T::String},
    {QStringLiteral("video_url"), T::String},
    {QStringLiteral("banner_url"), T::String},
    {QStringLiteral("banner_url_v"), T::String},
    {QStringLiteral("instance"), T::String},
    {QStringLiteral("action"), T::String},
    {QStringLiteral("section"), T::String},
    readOr("cloud_supported", T::Boolean, "false"),
    {QStringLiteral("cloud_app_url"), T::String},
    {QStringLiteral("cloud_type"), T::String},
    readOr("is_flarn_login_required", T::Boolean, "true"),
    {QStringLiteral("game_play_preference"), T::Array},
    key("vk_stats_info", T::Object, &kStatsInfoKeys),
    // An empty one counts as missing.
    readOr("shareId", T::String, "\"1\""),
};

// What pushRealSearchResult copies from each result.
const QVector<Key> kSearchResultKeys = {
    {QStringLiteral("package_name"), T::String},
    {QStringLiteral("game_name"), T::String},
    {QStringLiteral("icon_url"), T::String},
    {QStringLiteral("action"), T::String},
    {QStringLiteral("section"), T::String},
    readOr("cloud_supported", T::Boolean, "false"),
    {QStringLiteral("cloud_app_url"), T::String},
    {QStringLiteral("cloud_type"), T::String},
    readOr("is_flarn_login_required", T::Boolean, "true"),
    {QStringLiteral("game_play_preference"), T::Array},
    readOr("steam_supported", T::Boolean, "false"),
    {QStringLiteral("steam_appp_url"), T::String},
    {QStringLiteral("apk_url"), T::String},
    readOr("is_promoted_app", T::Boolean, "false"),
};

// Where the game commands' statistics say the game was chosen.
const QVector<Key> kBannerLocationKeys = {key("banner_location", T::String)};
const QVector<Key> kGameCommandExtra = {key("ga", T::Object, &kBannerLocationKeys)};

// What buildInstalledApps answers, asked or pushed: every package once, then the Play Store's.
const QVector<Key> kInstalledAppKeys = {always("package_name", T::String)};
const QVector<Key> kInstalledAppsKeys = {
    alwaysOneOf("action", {QStringLiteral("all")}),
    always("apps", T::Array, &kInstalledAppKeys),
};

// One emulator instance in getVmList's reply.
const QVector<Key> kInstanceKeys = {
    always("id", T::String),
    always("name", T::String),
    always("type", T::String),
};

// fillUserToken: everything for a signed-in account, nothing for a signed-out one.
const QVector<Key> kUserTokenKeys = {
    together("email", T::String),
    together("token", T::String),
    together("userid", T::String),
    together("xtoken", T::String),
    together("accesstoken", T::String),
    together("refreshtoken", T::String),
};

QString article(const QString& word)
{
    return (QStringLiteral("aeiou").contains(word.at(0)) ? QStringLiteral("an ") : QStringLiteral("a ")) + word;
}

// "a string", "an integer", ...: what a command reads, in a warning.
QString wanted(Type type)
{
    return type == T::Any ? QStringLiteral("anything") : article(typeName(type));
}

bool isInteger(const QJsonValue& value)
{
    const double number = value.toDouble();
    return value.isDouble() && std::trunc(number) == number && number >= std::numeric_limits<int>::min()
        && number <= std::numeric_limits<int>::max();
}

} // namespace

const QString kAnyName = QStringLiteral("*");

const QVector<Command>& commands()
{
    // In the order of the plug-in's handlers. Commands that read no "data" ignore whatever comes;
    // "replies" is whether the reply carries anything (every command with a callbackEvent gets
    // one, most of them "{}").
    // Keys a reply leaves out when the host lacks the plug-in that knows them are not "always".
    static const QVector<Command> table = {
        {QStringLiteral("getInstalledApps"), T::None, true, {}, kInstalledAppsKeys},
        // Only a "play" for a package gets the instances; anything else is answered with {}.
        {QStringLiteral("getVmList"), T::Object, true,
         {{QStringLiteral("packageName"), T::String}, {QStringLiteral("method"), T::String}},
         {together("installed", T::Array, &kInstanceKeys), together("uninstalled", T::Array, &kInstanceKeys),
          together("defaultEngines", T::String)}},
        {QStringLiteral("installOrPlayAppforVm"), T::Object, false, kGameKeys, {}, kGameCommandExtra},
        {QStringLiteral("openCloudGame"), T::Object, false, kGameKeys, {}, kGameCommandExtra},
        {QStringLiteral("pushRealSearchResult"), T::Array, false, kSearchResultKeys},
        {QStringLiteral("notifyClientRefresh"), T::None, false, {}},
        {QStringLiteral("callClientToLogin"), T::None, false, {}},
        {QStringLiteral("getUserToken"), T::None, true, {}, kUserTokenKeys},
        {QStringLiteral("refreshAccessToken"), T::None, false, {}},
        // Both the current code; only updateLanguage names "en" as the default.
        {QStringLiteral("getLanguage"), T::None, true, {},
         {always("language", T::String), always("defaultLanguage", T::String)}},
        // One member per entry of the host's host map.
        {QStringLiteral("getHostConfig"), T::None, true, {}, {{kAnyName, T::String, nullptr, Presence::Always}}},
        // The version and id come from the emulator manager, the system's from the strategy.
        {QStringLiteral("getClientConfig"), T::None, true, {},
         {together("x_version", T::String), together("uuid", T::String), key("systemConfig", T::Object)}},
        {QStringLiteral("openStreamGame"), T::Object, false, {{QStringLiteral("steam_appp_url"), T::String}}, {},
         kGameCommandExtra},
        {QStringLiteral("closeClientLoading"), T::None, false, {}},
        {QStringLiteral("openClientLoading"), T::None, false, {}},
        {QStringLiteral("closeBootAnimation"), T::None, false, {}},
        {QStringLiteral("changeBannerBackgroundImage"), T::Object, false,
         {{QStringLiteral("url"), T::String}, readOr("direction", T::Integer, "0")}},
        {QStringLiteral("servierWorkerUpdateSuccess"), T::None, false, {}},
        {QStringLiteral("onSearchInGooglePlay"), T::Object, false, {{QStringLiteral("query"), T::String}}},
        {QStringLiteral("openShare"), T::Object, false, {{QStringLiteral("url"), T::String}}},
        // Only whether mod_id is there counts, whatever it holds.
        {QStringLiteral("VKGameBack"), T::Object, false,
         {{QStringLiteral("package"), T::String}, {QStringLiteral("mod_id"), T::Any}}},
        {QStringLiteral("postStats"), T::Object, false,
         {{QStringLiteral("table"), T::String}, {QStringLiteral("data"), T::Object}}},
        {QStringLiteral("getUserConfig"), T::None, true, {}, {key("one_button_config", T::Integer)}},
        // The whole command goes into the log, "data" or not.
        {QStringLiteral("postWebVersionInfo"), T::Any, false, {}},
        {QStringLiteral("onWebLogger"), T::String, false, {}},
    };
    return table;
}

const QVector<Push>& pushes()
{
    // What the plug-in sends the Vornik page of its own accord. Its page-router message goes to
    // the host's other pages only, and what the host sends through sendToPage is the host's own.
    static const QVector<Push> table = {
        {QStringLiteral("updateLanguage"),
         {always("language", T::String), alwaysOneOf("defaultLanguage", {QStringLiteral("en")})}},
        {QStringLiteral("updateUserToken"), kUserTokenKeys},
        {QStringLiteral("updateUserConfig"), {always("one_button_config", T::Integer)}},
        {QStringLiteral("updateInstalledAppsNotification"), kInstalledAppsKeys},
        // "from" is the host's number, written as text.
        {QStringLiteral("switchToVKGame"),
         {always("package", T::String), always("mod_id", T::String), always("from", T::String)}},
        {QStringLiteral("setupMod"),
         {always("package", T::String), always("mod_id", T::String), always("mod_name", T::String)}},
        {QStringLiteral("clientRealSearch"), {always("query", T::String)}},
        {QStringLiteral("clientGotoSearch"), {always("query", T::String)}},
        {QStringLiteral("onPageviewShow"),
         {alwaysOneOf("preview", {QStringLiteral("show"), QStringLiteral("hide")})}},
    };
    return table;
}

const Command* find(const QString& name)
{
    static const QHash<QString, const Command*> byName = [] {
        QHash<QString, const Command*> index;
        for (const Command& command : commands())
            index.insert(command.name, &command);
        return index;
    }();
    return byName.value(name);
}

QString typeName(Type type)
{
    switch (type) {
    case T::None:
        return QStringLiteral("–");
    case T::Any:
        return QStringLiteral("any");
    case T::String:
        return QStringLiteral("string");
    case T::Integer:
        return QStringLiteral("integer");
    case T::Boolean:
        return QStringLiteral("boolean");
    case T::Object:
        return QStringLiteral("object");
    case T::Array:
        return QStringLiteral("array");
    }
    return QString();
}

QString typeOf(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return isInteger(value) ? QStringLiteral("a number") : QStringLiteral("a number with a fraction");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    default:
        return QStringLiteral("missing");
    }
}

bool fits(const QJsonValue& value, Type type)
{
    switch (type) {
    case T::None:
    case T::Any:
        return true;
    case T::String:
        return value.isString();
    case T::Integer:
        return isInteger(value);
    case T::Boolean:
        return value.isBool();
    case T::Object:
        return value.isObject();
    case T::Array:
        return value.isArray();
    }
    return false;
}

namespace {

// A key present with a value the plug-in cannot read as its type; a missing key reads as empty,
// which is often meant.
void checkKeys(const QJsonObject& object, const QString& path, const Command& command, QStringList* warnings)
{
    for (const Key& key : command.keys) {
        const auto found = object.constFind(key.name);
        if (found == object.constEnd() || fits(*found, key.type))
            continue;
        warnings->append(QStringLiteral("\"%1.%2\" is %3; %4 reads %5")
                             .arg(path, key.name, typeOf(*found), command.name, wanted(key.type)));
    }
}

} // namespace
} // namespace PageProtocol

QStringList ProtocolCheck::command(const QString& text, qint64 seq)
{
    using namespace PageProtocol;
    const QByteArray utf8 = text.toUtf8();
    // Before Qt's parser, which would keep the replaced value in the launcher's memory for good.
    if (JsonText::replacesNonEmptyValue(utf8))
        return {QStringLiteral("a key named twice over an object or array: the plug-in drops it unread")};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {QStringLiteral("not a JSON object: the plug-in drops it unread")};
    const QJsonObject json = document.object();
    QStringList warnings;

    // Every command with a callback name is answered, known or not.
    const QJsonValue callback = json.value(QLatin1String("callbackEvent"));
    const QString callbackName = callback.toString();
    if (!callbackName.isEmpty()) {
        QVector<qint64>& waiting = m_waiting[callbackName];
        if (!waiting.isEmpty())
            warnings.append(QStringLiteral("callback name \"%1\" reused while command #%2 still waits for its "
                                           "reply: the page cannot tell the replies apart")
                                .arg(callbackName)
                                .arg(waiting.constFirst()));
        waiting.append(seq);
    }

    const QJsonValue event = json.value(QLatin1String("event"));
    const Command* command = find(event.toString());
    if (!command) {
        warnings.append(event.isString() ? QStringLiteral("unknown event \"%1\": the plug-in does nothing with it")
                                               .arg(event.toString())
                                         : QStringLiteral("\"event\" is %1: the plug-in does nothing with it")
                                               .arg(typeOf(event)));
        return warnings;
    }
    if (command->replies && callbackName.isEmpty())
        warnings.append(callback.isUndefined()
                            ? QStringLiteral("no \"callbackEvent\": the reply of %1 goes nowhere").arg(command->name)
                            : QStringLiteral("\"callbackEvent\" is %1: the reply of %2 goes nowhere")
                                  .arg(callback.isString() ? QStringLiteral("empty") : typeOf(callback),
                                       command->name));

    const QJsonValue data = json.value(QLatin1String("data"));
    if (!fits(data, command->data)) {
        warnings.append(QStringLiteral("\"data\" is %1; %2 reads %3")
                            .arg(typeOf(data), command->name, wanted(command->data)));
    } else if (command->data == Type::Object) {
        checkKeys(data.toObject(), QStringLiteral("data"), *command, &warnings);
    } else if (command->data == Type::Array) {
        const QJsonArray items = data.toArray();
        for (int i = 0; i < items.size(); ++i) {
            const QString path = QStringLiteral("data[%1]").arg(i);
            if (items.at(i).isObject())
                checkKeys(items.at(i).toObject(), path, *command, &warnings);
            else
                warnings.append(QStringLiteral("\"%1\" is %2; %3 skips all but objects")
                                    .arg(path, typeOf(items.at(i)), command->name));
        }
    }
    return warnings;
}

void ProtocolCheck::message(const QJsonObject& message)
{
    const auto waiting = m_waiting.find(message.value(QLatin1String("event")).toString());
    if (waiting == m_waiting.end())
        return;
    waiting->removeFirst();
    if (waiting->isEmpty())
        m_waiting.erase(waiting);
}

void ProtocolCheck::forgetWaiting()
{
    m_waiting.clear();
}
