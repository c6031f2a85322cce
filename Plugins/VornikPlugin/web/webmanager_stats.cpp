#include "webmanager.h"

#include "../core/hostregistry.h"
#include "iburiedpoint.h"

#include <QDebug>
#include <QJsonDocument>

void WebManager::handlePostStats(const QJsonObject& command)
{
    const QJsonObject data = command.value(QStringLiteral("data")).toObject();
    const QJsonValue record = data.value(QStringLiteral("data"));
    if (record.type() != QJsonValue::Object)
        return;
    const QString table = data.value(QStringLiteral("table")).toString();

    using Report = void (IBuriedpoint::*)(const QJsonObject&);
    static const std::pair<const char*, Report> routes[] = {
        {"VornikModEvents", &IBuriedpoint::reportModEvents},
        {"VornikEffectsTriggered", &IBuriedpoint::reportEffectsTriggered},
        {"VornikUploadEffects", &IBuriedpoint::reportUploadEffects},
        {"VornikActiveUsers", &IBuriedpoint::reportActiveUsers},
    };
    for (const auto& route : routes) {
        if (table == QLatin1String(route.first)) {
            if (IBuriedpoint* statistics = HostRegistry::buriedpoint())
                (statistics->*route.second)(record.toObject());
            return;
        }
    }
}

void WebManager::handleWebVersionInfo(const QJsonObject& command)
{
    qInfo().noquote() << "[postWebVersionInfo(VK)]:\r\n" + QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Indented));
}

void WebManager::handleWebLogger(const QJsonObject& command)
{
    qInfo() << command.value(QStringLiteral("data")).toString();
}
