#pragma once

#include <QObject>
#include <QVariant>

// A page, its spinner and its watchdog find each other through dynamic properties holding an
// object's address as an integer as wide as a pointer; 0 means "none".
inline QVariant addressProperty(const QObject* object)
{
    return QVariant::fromValue<qulonglong>(reinterpret_cast<quintptr>(object));
}

template <typename T>
T* objectFromProperty(const QObject* holder, const char* name)
{
    return reinterpret_cast<T*>(static_cast<quintptr>(holder->property(name).toULongLong()));
}
