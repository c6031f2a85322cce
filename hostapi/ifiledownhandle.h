#pragma once

#include "hostrecords.h"

// Receives the outcome of a request made through IHttpDaoMgr. The host may call it on any thread.
class IFileDownHandle
{
public:
    virtual ~IFileDownHandle() = default;
    virtual void downloadFinished(const HttpDaoRequest& request) = 0;
    virtual void downloadProgress(const HttpDaoRequest& request, qint64 received, qint64 total) = 0;
    virtual void downloadFailed(const HttpDaoRequest& request) = 0;
};
