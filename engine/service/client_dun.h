#pragma once
// The dial-up client: a remote Dial-up Networking service used as a modem on a local COM port.
// Connecting describes the port in the Bluetooth port registry, with a modem entry for the
// telephony layer, and activates it from there; disconnecting deactivates it and removes the
// entry. The port is the first of COM1 to COM9 that no one holds, in this process or another;
// with none free the attempt reports 70200, and no failed attempt leaves an entry behind.
#include <mutex>

#include "engine/service/service_distant.h"
#include "platform/mfc/cstring.h"

// The port's key under HKEY_LOCAL_MACHINE: "software\microsoft\bluetooth\device\ports\" then
// the device name, the address (upper 16 and lower 32 bits, upper-case hexadecimal), "COM" and
// the port number. A backslash in the remote name becomes '_', so the entry stays one key.
NIMBREL_API CString DialUpPortKeyPath(const CString& deviceName, BT_ADDR address, unsigned int port);

class NIMBREL_API CClientDun : public CServiceDistant {
public:
    explicit CClientDun(CDevice* device);
    // Waits for a connection attempt, then releases the port if the owner did not shut the
    // service down first.
    ~CClientDun() override;

protected:
    int makeConnection() override;
    int makeDisconnection() override;

private:
    // "COM<index>:" opens: the port is taken in this process, by us or another driver.
    static bool portInUse(unsigned int index);
    // Writes the port key and its modem subkey; false (and no key left) when a key can't be made.
    bool writePortKey(const CString& path, DWORD cookie);
    CString portKeyPath() const;

    std::mutex m_deviceLock;  // the activated device; never held over a notification
    HANDLE m_hDevice = nullptr;
};
