#pragma once
// Virtual COM ports of the Bluetooth serial driver "btd.dll": the port-parameters record each
// kind of port hands it, and registering and opening "COM<n>:".
#include <memory>

#include "platform/bluetooth/bt_port_params.h"
#include "platform/kernel/types.h"

// A client port to a remote Serial Port service: the stack finds the channel by SDP.
PORTEMUPortParams SerialClientPortParams(BT_ADDR device);
// A dial-up port to the remote Dial-up Networking service (the stack finds the channel by
// SDP): MTU 256, authentication required.
PORTEMUPortParams DialUpPortParams(BT_ADDR device);
// The local serial server's port: the stack picks a free channel.
PORTEMUPortParams SerialServerPortParams();

// A port registered with the driver, and the cookie its registration's context names. The
// cookie lives as long as the registration, so the driver may resolve it at any time.
class ComPortRegistration {
public:
    ComPortRegistration() = default;
    ~ComPortRegistration() { Release(); }
    ComPortRegistration(const ComPortRegistration&) = delete;
    ComPortRegistration& operator=(const ComPortRegistration&) = delete;
    ComPortRegistration(ComPortRegistration&& other) noexcept { *this = std::move(other); }
    ComPortRegistration& operator=(ComPortRegistration&& other) noexcept;

    // Registers "COM<index>:" for the record; false with the last error set on failure.
    bool Register(unsigned int index, const PORTEMUPortParams& params);
    bool IsRegistered() const { return m_hDevice != nullptr; }
    // Deregisters the port; the platform's result, 0 when nothing was registered.
    BOOL Release();

private:
    HANDLE m_hDevice = nullptr;
    std::unique_ptr<bth::PortParamsCookie> m_pCookie;
};

// Opens "COM<index>:"; null (not INVALID_HANDLE_VALUE) with the last error set on failure.
HANDLE OpenComPort(unsigned int index, DWORD access, DWORD share, DWORD creation);
