#pragma once
// The port-parameters record of the Bluetooth serial driver "btd.dll": what a COM port
// registered with it links to. A registration's 32-bit context carries a cookie that stands
// for the record (a pointer does not fit there); the cookie lives while its owner does.
#include <cstdint>
#include <optional>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

struct PORTEMUPortParams {
    int channel = 0;  // 0: found by SDP for the service class; 254: the stack picks one (server)
    int flocal = 0;   // 1: server side
    BT_ADDR device = 0;
    int imtu = 0;
    int iminmtu = 0;
    int imaxmtu = 0;
    int isendquota = 0;
    int irecvquota = 0;
    GUID uuidService{};
    unsigned int uiportflags = 0;
};

constexpr int RFCOMM_CHANNEL_MULTIPLE = 254;
constexpr unsigned int RFCOMM_PORT_FLAGS_AUTHENTICATE = 0x0001;

// Asks an open COM port of the driver for its RFCOMM channel (4-byte output).
constexpr DWORD IOCTL_BLUETOOTH_GET_RFCOMM_CHANNEL = 0x001B0060;

namespace bth {

// Stands for a copy of `params` until destroyed.
class PortParamsCookie {
public:
    explicit PortParamsCookie(const PORTEMUPortParams& params);
    ~PortParamsCookie();
    PortParamsCookie(const PortParamsCookie&) = delete;
    PortParamsCookie& operator=(const PortParamsCookie&) = delete;
    DWORD value() const { return value_; }

private:
    DWORD value_;
};

// The record a live cookie stands for.
std::optional<PORTEMUPortParams> ResolvePortParams(DWORD cookie);

}  // namespace bth

#pragma GCC visibility pop
