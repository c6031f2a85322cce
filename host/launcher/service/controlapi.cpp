#include "launcher/service/controlapi.h"

#include "hostcalllog.h"
#include "launcher/host/hostevents.h"
#include "launcher/host/hostfaults.h"
#include "launcher/page/pagetraffic.h"
#include "jsontext.h"
#include "launcher/host/vornikoperations.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

#include <malloc.h>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral("/control/");
const QString kEventPrefix = QStringLiteral("/control/event/");
const QString kVornikPrefix = QStringLiteral("/control/vornik/");
const QString kFaultPrefix = QStringLiteral("/control/fault/");
// Longer than the plug-in waits for a look-up (30 s), so its bound can be watched at work.
constexpr int kMaxApkDelayMs = 120000;

HttpResponse ok(const QJsonValue& result = true)
{
    return HttpResponse::json(200, QJsonObject{{QStringLiteral("result"), result}});
}

// What the launcher's process holds, for a long run watched from outside: its RSS as the system
// counts it, and beside it what malloc has handed out and what it holds from the system for that.
// The two differ by what the allocator keeps after frees; only the first pair is what we keep.
QJsonObject processMemory()
{
    QJsonObject memory;
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = statm.readAll().split(' ');
        if (fields.size() > 1)
            memory.insert(QStringLiteral("rss"), fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)));
    }
    // A process whose malloc is not glibc's (a sanitizer's, say) reads nothing here: no answer
    // is better than a heap of zero.
    const struct mallinfo2 info = mallinfo2();
    if (info.arena + info.hblkhd > 0) {
        memory.insert(QStringLiteral("heapInUse"), double(info.uordblks + info.hblkhd));
        memory.insert(QStringLiteral("heapHeld"), double(info.arena + info.hblkhd));
    }
    return memory;
}

HttpResponse badRequest(const QString& message)
{
    return HttpResponse::error(400, message);
}

// The request body as a JSON document; false with *error when it is not one.
bool parseBody(const HttpRequest& request, QJsonDocument* document, QString* error)
{
    if (JsonText::replacesNonEmptyValue(request.body)) {
        *error = QStringLiteral("the body names a key twice in one object; name each key once");
        return false;
    }
    QJsonParseError parseError;
    *document = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = request.body.trimmed().isEmpty()
            ? QStringLiteral("the body must be JSON and is empty")
            : QStringLiteral("the body is not valid JSON at offset %1: %2")
                  .arg(parseError.offset)
                  .arg(parseError.errorString());
        return false;
    }
    return true;
}

// Checks an event body: only the named keys, each of its JSON type; required ones present.
struct Field
{
    QString key;
    QJsonValue::Type type;
    bool required;
};

bool isInteger(const QJsonValue& value)
{
    const double number = value.toDouble();
    return value.isDouble() && std::trunc(number) == number && number >= std::numeric_limits<int>::min()
        && number <= std::numeric_limits<int>::max();
}

QString typeName(QJsonValue::Type type)
{
    switch (type) {
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("an integer");
    default:
        return QStringLiteral("a string");
    }
}

bool checkFields(const QJsonObject& body, const QVector<Field>& fields, QString* error)
{
    for (auto it = body.constBegin(); it != body.constEnd(); ++it) {
        const auto field = std::find_if(fields.cbegin(), fields.cend(),
                                        [&it](const Field& candidate) { return candidate.key == it.key(); });
        if (field == fields.cend()) {
            QStringList known;
            for (const Field& candidate : fields)
                known.append(candidate.key);
            *error = QStringLiteral("unknown key \"%1\"; expected %2").arg(it.key(), known.join(QStringLiteral(", ")));
            return false;
        }
        const bool fitting =
            field->type == QJsonValue::Double ? isInteger(it.value()) : it.value().type() == field->type;
        if (!fitting) {
            *error = QStringLiteral("\"%1\" must be %2").arg(it.key(), typeName(field->type));
            return false;
        }
    }
    for (const Field& field : fields) {
        if (field.required && !body.contains(field.key)) {
            *error = QStringLiteral("\"%1\" is missing").arg(field.key);
            return false;
        }
    }
    return true;
}

// The "since" of a request that takes only that parameter; false with *error when the request
// has another parameter or since is not the seq of an entry.
bool sinceOf(const HttpRequest& request, qint64* since, QString* error)
{
    for (auto it = request.query.cbegin(); it != request.query.cend(); ++it) {
        if (it.key() != QLatin1String("since")) {
            *error = QStringLiteral("unknown parameter \"%1\"; %2 takes since").arg(it.key(), request.path);
            return false;
        }
    }
    *since = 0;
    if (!request.query.contains(QStringLiteral("since")))
        return true;
    const QString text = request.query.value(QStringLiteral("since"));
    // Digits only: toLongLong would take "+1" and " 1" as well.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = digits.match(text).hasMatch();
    if (ok)
        *since = text.toLongLong(&ok);
    if (!ok)
        *error = QStringLiteral("\"since\" must be the seq of an entry (a whole number from 0), not \"%1\"").arg(text);
    return ok;
}

} // namespace

ControlApi::ControlApi(HostEvents* events, IVornik* vornik, HostCallLog* log, Hooks hooks)
    : m_events(events)
    , m_vornik(vornik)
    , m_log(log)
    , m_hooks(std::move(hooks))
{
}

void ControlApi::setWorkbench(Workbench workbench)
{
    m_workbench = std::move(workbench);
}

bool ControlApi::handles(const QString& path)
{
    return path.startsWith(kPrefix);
}

HttpResponse ControlApi::handle(const HttpRequest& request)
{
    const QString& path = request.path;
    const bool isGet = request.method == "GET";
    const bool isPost = request.method == "POST";
    auto wrongMethod = [&request](const char* allowed) {
        return HttpResponse::error(405, QStringLiteral("%1 takes %2, not %3")
                                            .arg(request.path, QLatin1String(allowed),
                                                 QString::fromLatin1(request.method)));
    };

    if (path == QLatin1String("/control/log")) {
        if (!isGet)
            return wrongMethod("GET");
        return log(request);
    }
    if (path == QLatin1String("/control/traffic")) {
        if (!isGet)
            return wrongMethod("GET");
        return traffic(request);
    }
    if (path == QLatin1String("/control/page")) {
        if (!isGet)
            return wrongMethod("GET");
        return HttpResponse::json(200, m_hooks.pageState ? m_hooks.pageState() : QJsonObject());
    }
    if (path == QLatin1String("/control/memory")) {
        if (!isGet)
            return wrongMethod("GET");
        return ok(processMemory());
    }
    if (path == QLatin1String("/control/quit")) {
        if (!isPost)
            return wrongMethod("POST");
        if (m_hooks.quit)
            m_hooks.quit();
        return ok();
    }
    if (path == QLatin1String("/control/reload")) {
        if (!isPost)
            return wrongMethod("POST");
        QString error;
        if (!m_workbench.reload)
            return HttpResponse::error(404, QStringLiteral("this launcher follows no page"));
        if (!m_workbench.reload(&error))
            return HttpResponse::error(409, error);
        return ok();
    }
    if (path == QLatin1String("/control/screenshot")) {
        if (!isGet)
            return wrongMethod("GET");
        if (!m_workbench.screenshot)
            return HttpResponse::error(404, QStringLiteral("this launcher has no window"));
        HttpResponse response;
        response.contentType = "image/png";
        // Grabbed now, on the GUI thread; encoded off it, like the other large answers.
        response.makeBody = [image = m_workbench.screenshot()] {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return png;
        };
        return response;
    }
    if (path == QLatin1String("/control/fault")) {
        if (!isGet)
            return wrongMethod("GET");
        if (!m_workbench.faults)
            return HttpResponse::error(404, QStringLiteral("this launcher has no host faults"));
        return ok(m_workbench.faults->state());
    }
    if (path.startsWith(kFaultPrefix)) {
        static const QStringList faults{QStringLiteral("webHostUnreachable"), QStringLiteral("rendererCrash"),
                                        QStringLiteral("apkSlow"), QStringLiteral("apkFailing"),
                                        QStringLiteral("modedListFailing")};
        const QString name = path.mid(kFaultPrefix.size());
        if (!faults.contains(name))
            return badRequest(QStringLiteral("unknown host fault \"%1\"; there are %2")
                                  .arg(name, faults.join(QStringLiteral(", "))));
        if (!isPost)
            return wrongMethod("POST");
        QJsonDocument document;
        QString error;
        // No body is no keys, for the crash that takes none.
        if (!request.body.trimmed().isEmpty() && !parseBody(request, &document, &error))
            return badRequest(error);
        if (!request.body.trimmed().isEmpty() && !document.isObject())
            return badRequest(QStringLiteral("the body must be a JSON object"));
        return fault(name, document.object());
    }
    if (path.startsWith(kVornikPrefix)) {
        if (!isPost)
            return wrongMethod("POST");
        return vornik(path.mid(kVornikPrefix.size()), request);
    }
    if (path.startsWith(kEventPrefix)) {
        const QString event = path.mid(kEventPrefix.size());
        using Handler = HttpResponse (ControlApi::*)(const QJsonObject&);
        static const QMap<QString, Handler> handlers{
            {QStringLiteral("language"), &ControlApi::language},
            {QStringLiteral("account"), &ControlApi::account},
            {QStringLiteral("country"), &ControlApi::country},
            {QStringLiteral("strategy"), &ControlApi::strategy},
        };
        const Handler handler = handlers.value(event);
        if (!handler)
            return badRequest(QStringLiteral("unknown host event \"%1\"; there are %2")
                                  .arg(event, handlers.keys().join(QStringLiteral(", "))));
        if (!isPost)
            return wrongMethod("POST");
        QJsonDocument document;
        QString error;
        if (!parseBody(request, &document, &error))
            return badRequest(error);
        if (!document.isObject())
            return badRequest(QStringLiteral("the body must be a JSON object"));
        return (this->*handler)(document.object());
    }
    return HttpResponse::error(404, QStringLiteral("no control resource %1").arg(path));
}

HttpResponse ControlApi::log(const HttpRequest& request)
{
    qint64 since = 0;
    QString error;
    if (!sinceOf(request, &since, &error))
        return badRequest(error);
    // The log as it is now, written out off the GUI thread: the whole log of a long session is
    // megabytes of JSON.
    return HttpResponse::jsonLater(200, [log = m_log, since, upTo = m_log->lastSeq()] {
        return log->jsonAfter(since, upTo);
    });
}

HttpResponse ControlApi::traffic(const HttpRequest& request)
{
    if (!m_hooks.traffic)
        return HttpResponse::error(404, QStringLiteral("this launcher follows no page"));
    qint64 since = 0;
    QString error;
    if (!sinceOf(request, &since, &error))
        return badRequest(error);
    // Messages carry whole lists of apps and search results: written out off the GUI thread too.
    return HttpResponse::jsonLater(200, [traffic = m_hooks.traffic, since, upTo = m_hooks.traffic->lastSeq()] {
        return traffic->jsonAfter(since, upTo);
    });
}

HttpResponse ControlApi::language(const QJsonObject& body)
{
    QString error;
    if (!checkFields(body, {{QStringLiteral("code"), QJsonValue::String, true}}, &error))
        return badRequest(error);
    const QString code = body.value(QLatin1String("code")).toString();
    if (code.isEmpty())
        return badRequest(QStringLiteral("\"code\" must not be empty"));
    m_events->changeLanguage(code);
    return ok();
}

HttpResponse ControlApi::account(const QJsonObject& body)
{
    QString error;
    if (!checkFields(body,
                     {{QStringLiteral("loggedIn"), QJsonValue::Bool, false},
                      {QStringLiteral("email"), QJsonValue::String, false},
                      {QStringLiteral("userId"), QJsonValue::String, false},
                      {QStringLiteral("token"), QJsonValue::String, false},
                      {QStringLiteral("name"), QJsonValue::String, false}},
                     &error))
        return badRequest(error);
    ACCOUNTINFO account;
    account.loggedIn = body.value(QLatin1String("loggedIn")).toBool();
    account.email = body.value(QLatin1String("email")).toString();
    account.userId = body.value(QLatin1String("userId")).toString();
    account.token = body.value(QLatin1String("token")).toString();
    account.name = body.value(QLatin1String("name")).toString();
    m_events->changeAccount(account);
    return ok();
}

HttpResponse ControlApi::country(const QJsonObject& body)
{
    // An empty code is a country code too: the plug-in then asks for the list without one.
    QString error;
    if (!checkFields(body, {{QStringLiteral("code"), QJsonValue::String, true}}, &error))
        return badRequest(error);
    m_events->changeCountry(body.value(QLatin1String("code")).toString());
    return ok();
}

HttpResponse ControlApi::strategy(const QJsonObject& body)
{
    QString error;
    if (!checkFields(body, {{QStringLiteral("oneButtonConfig"), QJsonValue::Double, true}}, &error))
        return badRequest(error);
    m_events->changeStrategy(body.value(QLatin1String("oneButtonConfig")).toInt());
    return ok();
}

HttpResponse ControlApi::vornik(const QString& operation, const HttpRequest& request)
{
    QJsonDocument document;
    QString error;
    // No body at all is the empty argument list, for the operations without arguments.
    if (!request.body.trimmed().isEmpty() && !parseBody(request, &document, &error))
        return badRequest(error);
    if (!request.body.trimmed().isEmpty() && !document.isArray())
        return badRequest(QStringLiteral("the body must be a JSON array of arguments"));
    QJsonValue result;
    if (!VornikOperations::call(m_vornik, operation, document.array(), &result, &error))
        return badRequest(error);
    return ok(result);
}

HttpResponse ControlApi::fault(const QString& name, const QJsonObject& body)
{
    HostFaults* faults = m_workbench.faults;
    if (!faults)
        return HttpResponse::error(404, QStringLiteral("this launcher has no host faults"));
    QString error;
    if (name == QLatin1String("rendererCrash")) {
        if (!body.isEmpty())
            return badRequest(QStringLiteral("rendererCrash takes no keys, not \"%1\"").arg(body.keys().constFirst()));
        if (!faults->crashRenderer(&error))
            return HttpResponse::error(409, error);
        return ok();
    }
    const Field on{QStringLiteral("on"), QJsonValue::Bool, true};
    if (name == QLatin1String("apkSlow")) {
        if (!checkFields(body, {on, {QStringLiteral("delayMs"), QJsonValue::Double, false}}, &error))
            return badRequest(error);
        const bool slow = body.value(QLatin1String("on")).toBool();
        const int delay = body.value(QLatin1String("delayMs")).toInt();
        if (slow && (delay < 1 || delay > kMaxApkDelayMs))
            return badRequest(QStringLiteral("\"delayMs\" must be from 1 to %1 (milliseconds) to turn apkSlow on")
                                  .arg(kMaxApkDelayMs));
        faults->setApkDelay(slow ? delay : 0);
        return ok(faults->state());
    }
    if (!checkFields(body, {on}, &error))
        return badRequest(error);
    const bool value = body.value(QLatin1String("on")).toBool();
    if (name == QLatin1String("webHostUnreachable"))
        faults->setWebHostUnreachable(value);
    else if (name == QLatin1String("modedListFailing"))
        faults->setModedListFailing(value);
    else
        faults->setApkFailing(value);
    return ok(faults->state());
}
