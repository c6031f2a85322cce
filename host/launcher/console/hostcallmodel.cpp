#include "launcher/console/hostcallmodel.h"

namespace {
// A row shows one line; what a call carries beyond this is cut off.
constexpr int kCallTextLimit = 400;
} // namespace

HostCallModel::HostCallModel(int capacity, QObject* parent)
    : ConsoleModel({tr("Call")}, capacity, parent)
{
}

ConsoleModel::Row HostCallModel::rowOf(const QJsonObject& entry) const
{
    return Row{{callText(entry, kCallTextLimit)}, false};
}

QString HostCallModel::callText(const QJsonObject& entry, int limit)
{
    return QStringLiteral("%1.%2(%3)").arg(entry.value(QLatin1String("iface")).toString(),
                                           entry.value(QLatin1String("op")).toString(),
                                           compactJson(entry.value(QLatin1String("args")), limit, true));
}
