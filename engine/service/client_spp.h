#pragma once
// Serial-port and dial-up clients: a remote serial or dial-up service used as a local COM port.
#include "engine/service/service_distant.h"

class NIMBREL_API CClientSpp : public CServiceDistant {
public:
    explicit CClientSpp(CDevice* device);
    ~CClientSpp() override;

    virtual void setSelectedPortCom(unsigned int port) { SetComPort(port); }
};

class CClientDun : public CServiceDistant {
public:
    explicit CClientDun(CDevice* device);
    ~CClientDun() override;
};
