#pragma once

#include "kvlhostglobal.h"

#include <QEvent>
#include <QString>

// Custom event types of the host. The numbers are the host's own; the plug-in only compares them.
struct KVLHOST_SERVICE_EXPORT KEvent
{
    enum Type : int {
        PlayGameStrategyChange = QEvent::User + 0x201,
        CountryCodeChange = QEvent::User + 0x202,
        ModedGameListChange = QEvent::User + 0x203,
    };
};

class KVLHOST_SERVICE_EXPORT CountryCodeChangeEvent : public QEvent
{
public:
    explicit CountryCodeChangeEvent(const QString& code)
        : QEvent(static_cast<QEvent::Type>(KEvent::CountryCodeChange)), countryCode(code)
    {
    }
    // Out of line, so the type has one identity across the host's libraries and its plug-ins.
    ~CountryCodeChangeEvent() override;

    QString countryCode;
};
