#pragma once

#include <QUuid>
#include <QtPlugin>

class IPluginManager;
class QObject;

class IPlugin
{
public:
    virtual QObject* pluginObject() = 0;
    virtual QUuid pluginUuid() const = 0;
    virtual void reservedHook(quintptr value) = 0;
    virtual bool bindHost(IPluginManager* manager, quintptr reserved) = 0;
    virtual bool bindLanguage() = 0;
    virtual bool acknowledgeFirst() = 0;
    virtual bool bindAccount() = 0;
    virtual bool acknowledgeSecond() = 0;

protected:
    ~IPlugin() = default;
};
Q_DECLARE_INTERFACE(IPlugin, "KVL.IPlugin/1.0")

class IPluginManager
{
public:
    virtual void reserved0() {}
    virtual void reserved1() {}
    virtual void reserved2() {}
    virtual IPlugin* findPlugin(const QUuid& uuid) = 0;

protected:
    ~IPluginManager() = default;
};
Q_DECLARE_INTERFACE(IPluginManager, "KVL.IPluginManager/1.0")
