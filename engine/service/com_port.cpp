#include "engine/service/com_port.h"

#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/device.h"
#include "platform/kernel/files.h"
#include "platform/kernel/sync.h"
#include "platform/mfc/cstring.h"

namespace {

constexpr int kDialUpMtu = 256;

}  // namespace

PORTEMUPortParams SerialClientPortParams(BT_ADDR device) {
    PORTEMUPortParams params;
    params.device = device;
    params.uuidService = sdp::uuids::kSerialPort.ToGuid();
    return params;
}

PORTEMUPortParams DialUpPortParams(BT_ADDR device) {
    PORTEMUPortParams params;
    // Channel 0 with the Dial-up Networking class: the stack finds the service's channel by
    // SDP. A fixed channel 1 reached whatever the phone serves there, often OBEX.
    params.device = device;
    params.uuidService = sdp::uuids::kDialupNetworking.ToGuid();
    params.imtu = kDialUpMtu;
    params.uiportflags = RFCOMM_PORT_FLAGS_AUTHENTICATE;
    return params;
}

PORTEMUPortParams SerialServerPortParams() {
    PORTEMUPortParams params;
    params.channel = RFCOMM_CHANNEL_MULTIPLE;
    params.flocal = 1;
    return params;
}

ComPortRegistration& ComPortRegistration::operator=(ComPortRegistration&& other) noexcept {
    if (this != &other) {
        Release();
        m_hDevice = other.m_hDevice;
        m_pCookie = std::move(other.m_pCookie);
        other.m_hDevice = nullptr;
    }
    return *this;
}

bool ComPortRegistration::Register(unsigned int index, const PORTEMUPortParams& params) {
    Release();
    auto cookie = std::make_unique<bth::PortParamsCookie>(params);
    m_hDevice = RegisterDevice(L"COM", index, L"btd.dll", cookie->value());
    if (m_hDevice) m_pCookie = std::move(cookie);
    return m_hDevice != nullptr;
}

BOOL ComPortRegistration::Release() {
    BOOL result = FALSE;
    if (m_hDevice) result = DeregisterDevice(m_hDevice);
    m_hDevice = nullptr;
    m_pCookie.reset();
    return result;
}

HANDLE OpenComPort(unsigned int index, DWORD access, DWORD share, DWORD creation) {
    CString name;
    name.Format(L"COM%d:", index);
    HANDLE port = CreateFileW(name, access, share, nullptr, creation, 0, nullptr);
    return port == INVALID_HANDLE_VALUE ? nullptr : port;
}
