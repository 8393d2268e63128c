#pragma once
// The local serial-port server: a server-side Bluetooth serial port on a local COM port, whose
// RFCOMM channel the service's SDP record advertises. The port index is kept in the engine's
// "localPortCom" value: the first activation takes the first free index, the user may pick
// another (setSelectedPortCom) before connecting.
#include <memory>

#include "engine/service/service_local.h"

class ComPortRegistration;

class NIMBREL_API CServerSpp : public CServiceLocal {
public:
    explicit CServerSpp(CDevice* device);
    ~CServerSpp() override;

    // Remembers the port in "localPortCom" and uses it from the next load on.
    virtual void setSelectedPortCom(int port);

protected:
    GUID getGuidLocalService() const override;
    int loadServer() override;
    int unloadServer() override;

private:
    // The port of the first activation: "localPortCom", else the first free index (then kept).
    void choosePort();
    // Closes and deregisters the port; the deregistration's result, 0 when none was held.
    BOOL releasePort();

    std::unique_ptr<ComPortRegistration> m_device;  // the registered port, with its record
    HANDLE m_hPort = nullptr;
};
