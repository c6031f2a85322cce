#pragma once

#include "launcher/console/consolemodel.h"

// The calls the console shows, one row each: "#" (the seq) and the call written as
// IFace.op(arg, ...), cut to one line however large its arguments.
class HostCallModel : public ConsoleModel
{
    Q_OBJECT
public:
    enum Column { SeqColumn, CallColumn };

    explicit HostCallModel(int capacity, QObject* parent = nullptr);

    // The entry ({"seq", "iface", "op", "args"}) written as a call; its arguments as compact
    // JSON, cut off with "…" past limit characters.
    static QString callText(const QJsonObject& entry, int limit);

protected:
    Row rowOf(const QJsonObject& entry) const override;
};
