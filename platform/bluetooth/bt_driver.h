#pragma once
// The Bluetooth stack driver "BTD0:" and the stack service "BTS1:": request codes and the
// call block that carries one request's arguments and results.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

struct WSAQUERYSETW;

namespace bth {

// Device and security operations.
constexpr DWORD kWriteScanEnableMask = 10;
constexpr DWORD kRemoteNameQuery = 12;
constexpr DWORD kReadLocalAddr = 14;
constexpr DWORD kRevokePin = 17;
constexpr DWORD kRevokeLinkKey = 20;
constexpr DWORD kReadScanEnableMask = 23;
constexpr DWORD kReadCod = 25;
constexpr DWORD kSetSecurityUi = 29;
constexpr DWORD kGetPinRequest = 30;
constexpr DWORD kRefusePinRequest = 31;
constexpr DWORD kWriteAuthenticationEnable = 32;
constexpr DWORD kReadAuthenticationEnable = 33;
constexpr DWORD kGetHardwareStatus = 44;
constexpr DWORD kGetBasebandConnections = 52;
constexpr DWORD kGetRemoteCod = 54;
constexpr DWORD kAnswerPairRequest = 55;
constexpr DWORD kPairRequest = 56;
// Name-space operations.
constexpr DWORD kNsSetService = 80;
constexpr DWORD kNsLookupServiceBegin = 81;
constexpr DWORD kNsLookupServiceNext = 82;
constexpr DWORD kNsLookupServiceEnd = 83;

// Stack start request on "BTD0:" (its input is the wide text "card").
constexpr DWORD IOCTL_SERVICE_START = 0x01040004;
constexpr DWORD IOCTL_SERVICE_STOP = 0x01040008;

}  // namespace bth

constexpr DWORD IOCTL_SERVICE_START = bth::IOCTL_SERVICE_START;
constexpr DWORD IOCTL_SERVICE_STOP = bth::IOCTL_SERVICE_STOP;

// Hardware states reported by the status request.
constexpr DWORD HCI_HARDWARE_UNKNOWN = 0;
constexpr DWORD HCI_HARDWARE_NOT_PRESENT = 1;
constexpr DWORD HCI_HARDWARE_INITIALIZING = 2;
constexpr DWORD HCI_HARDWARE_RUNNING = 3;
constexpr DWORD HCI_HARDWARE_SHUTDOWN = 4;
constexpr DWORD HCI_HARDWARE_ERROR = 5;

// One baseband link as the driver reports it.
struct BthDriverConnection {
    WORD handle;
    BT_ADDR address;  // 48 bits used
    LONG packetsPending;
    DWORD flags;      // bit 0 link type, bit 1 encrypted, bit 2 authenticated, bits 3-5 mode
};

// The arguments and results of one request to "BTD0:". The wrapper fills the fields its
// operation uses (everything else stays zero) and reads its results back from the block.
struct BthCallBlock {
    BT_ADDR address = 0;   // the remote device concerned; or the local address read
    DWORD value = 0;       // the operation's value: scan mask, authentication, class of device,
                           // hardware status, PIN length, name buffer size, record count
    DWORD count = 0;       // results counted by the driver (baseband connections)
    BYTE pin[16] = {};
    HANDLE event = nullptr;          // PIN request event
    DWORD storeTimeout = 0;          // PIN request store and process time-outs, milliseconds
    DWORD processTimeout = 0;
    wchar_t* name = nullptr;         // remote name query: the caller's buffer
    DWORD* requiredSize = nullptr;   // remote name query: required size in characters
    BthDriverConnection* connections = nullptr;
    WSAQUERYSETW* querySet = nullptr;  // name-space requests
    DWORD flags = 0;
    DWORD operation = 0;               // set-service operation
    HANDLE lookup = nullptr;           // lookup handle
    DWORD bufferLength = 0;            // lookup result buffer length, in and out
};

#pragma GCC visibility pop
