#pragma once
// The OBEX servers: File Transfer and Object Push share the platform's OBEX server service
// "OBX0:", which loading starts and unloading stops.
#include "engine/service/service_local.h"

class NIMBREL_API CServerFileTransfer : public CServiceLocal {
public:
    explicit CServerFileTransfer(CDevice* device);
    ~CServerFileTransfer() override;

protected:
    GUID getGuidLocalService() const override = 0;
    // The service request's result; 0 when "OBX0:" is absent.
    int loadServer() override;
    int unloadServer() override;
    // Stops the service if this server started it (activated or connected).
    void unloadIfLoaded();
};

class NIMBREL_API CServerFtp : public CServerFileTransfer {
public:
    explicit CServerFtp(CDevice* device);
    ~CServerFtp() override;

protected:
    GUID getGuidLocalService() const override;
};

class NIMBREL_API CServerOpp : public CServerFileTransfer {
public:
    explicit CServerOpp(CDevice* device);
    ~CServerOpp() override;

protected:
    GUID getGuidLocalService() const override;
};
