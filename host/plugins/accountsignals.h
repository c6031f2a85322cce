#pragma once

#include "hostrecords.h"

#include <QObject>

// The object the account plug-in hands out as its signal source.
class AccountSignals : public QObject
{
    Q_OBJECT
public:
    explicit AccountSignals(QObject* parent = nullptr);

signals:
    void changeAccountInfo(const ACCOUNTINFO& info);
};
