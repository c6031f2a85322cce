#include "launcher/console/trafficmodel.h"

#include <QDateTime>
#include <QJsonArray>

namespace {
// A row shows one line; what a command or message carries beyond this is cut off.
constexpr int kTrafficTextLimit = 400;
} // namespace

TrafficModel::TrafficModel(int capacity, QObject* parent)
    : ConsoleModel({tr("Time"), tr("Page traffic")}, capacity, parent)
{
}

ConsoleModel::Row TrafficModel::rowOf(const QJsonObject& entry) const
{
    const QDateTime time =
        QDateTime::fromMSecsSinceEpoch(entry.value(QLatin1String("time")).toVariant().toLongLong());
    return Row{{time.toString(QStringLiteral("HH:mm:ss.zzz")), trafficText(entry, kTrafficTextLimit)},
               !entry.value(QLatin1String("warnings")).toArray().isEmpty()};
}

QString TrafficModel::trafficText(const QJsonObject& entry, int limit)
{
    const QString kind = entry.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("message")) {
        const QJsonObject message = entry.value(QLatin1String("message")).toObject();
        return QStringLiteral("← %1 %2").arg(message.value(QLatin1String("event")).toString(),
                                             compactJson(message.value(QLatin1String("data")), limit));
    }
    if (kind == QLatin1String("load"))
        return QStringLiteral("⟳ %1").arg(entry.value(QLatin1String("url")).toString().left(limit));
    // A command's text is as the page wrote it: on one line, and no longer than its JSON would be.
    QString text = entry.value(QLatin1String("text")).toString().simplified();
    if (text.size() > limit)
        text = text.left(limit) + QStringLiteral("…");
    QStringList warnings;
    for (const QJsonValue& warning : entry.value(QLatin1String("warnings")).toArray())
        warnings.append(warning.toString());
    // The warnings first: the row is cut on the right, and they are what the row is for.
    return warnings.isEmpty() ? QStringLiteral("→ %1").arg(text)
                              : QStringLiteral("→ ⚠ %1 · %2").arg(warnings.join(QStringLiteral(" · ")), text);
}
