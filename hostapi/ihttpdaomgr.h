#pragma once

#include "hostrecords.h"

#include <QtPlugin>

class IFileDownHandle;

class IHttpDaoMgr
{
public:
    virtual void sendRequest(HttpDaoRequest& request, int mode) = 0;
    virtual void reserved1() {}
    virtual void reserved2() {}
    virtual void reserved3() {}
    virtual void removeHandle(IFileDownHandle* handle) = 0;

protected:
    ~IHttpDaoMgr() = default;
};
Q_DECLARE_INTERFACE(IHttpDaoMgr, "KVL.IHttpDaoMgr/1.0")
