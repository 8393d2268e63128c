#pragma once
// The serial-port client: a remote Serial Port service used as a local COM port. Connecting
// registers "COM<n>:" with the Bluetooth serial driver and keeps it open while connected.
//
// The connection monitor only marks a lost link (DistantDisconnect) and checks that the port
// opens again (ReConnect); the port stays registered and open until the user disconnects or
// connects anew.
#include <memory>
#include <mutex>

#include "engine/service/service_distant.h"

class ComPortRegistration;

class NIMBREL_API CClientSpp : public CServiceDistant {
public:
    explicit CClientSpp(CDevice* device);
    // Waits for a connection attempt, then releases the port if the owner did not shut the
    // service down first.
    ~CClientSpp() override;

    int ReConnect() override;
    int DistantDisconnect() override;
    virtual void setSelectedPortCom(unsigned int port) { SetComPort(port); }

protected:
    int makeConnection() override;
    int makeDisconnection() override;

private:
    // Closes the port and deregisters it; the deregistration's result, 0 when none was held.
    BOOL releasePort();

    std::mutex m_portLock;                          // the two handles; never held over a report or a notification
    std::unique_ptr<ComPortRegistration> m_device;  // the registered port, with its record
    HANDLE m_hPort = nullptr;
};
