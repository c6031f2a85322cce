#pragma once

#include "launcher/console/consolemodel.h"

// The page's traffic as the console shows it, one row per entry of PageTraffic: "#", the time,
// and what went which way: "→" a command as the page sent it (after "⚠" and its warnings, when it
// has any, drawn in the warning colour), "←" a message handed to the page (its event and data),
// "⟳" a load of the page.
class TrafficModel : public ConsoleModel
{
    Q_OBJECT
public:
    enum Column { SeqColumn, TimeColumn, TrafficColumn };

    explicit TrafficModel(int capacity, QObject* parent = nullptr);

    // The entry's line, cut off with "…" past limit characters of its JSON.
    static QString trafficText(const QJsonObject& entry, int limit);

protected:
    Row rowOf(const QJsonObject& entry) const override;
};
