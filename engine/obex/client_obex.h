#pragma once
// The OBEX clients: a session to a remote OBEX service (file transfer, object push).
#include "engine/service/service_distant.h"

class NIMBREL_API CClientObex : public CServiceDistant {
public:
    explicit CClientObex(CDevice* device);
    ~CClientObex() override;

    // An OBEX session learns of a lost link from its own session, not from the monitor.
    void SetDistantDisconnection() override;

    // The OBEX Target header (all zero: none) and the service class to bind to (all zero: none).
    virtual GUID getGuidTarget() const;
    virtual GUID getGuidRequestedService() const;
};

class NIMBREL_API CClientFtp : public CClientObex {
public:
    explicit CClientFtp(CDevice* device);
    ~CClientFtp() override;
    GUID getGuidTarget() const override;
    GUID getGuidRequestedService() const override;
};

class NIMBREL_API CClientOpp : public CClientObex {
public:
    explicit CClientOpp(CDevice* device);
    ~CClientOpp() override;
    GUID getGuidRequestedService() const override;
};
