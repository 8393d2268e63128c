// Pairing and unpairing a remote device. The paired state lives in three places kept in step:
// the stack's security store, the device's flag, and the "_Paired" / "_Class" values from
// which the next start lists the device as paired.
#include <cwchar>
#include <string>
#include <vector>

#include "engine/device/device_distant.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "platform/text/utf.h"

namespace {

// The PIN goes to the stack as bytes: at most `length` of them. An empty PIN stays empty and
// the stack refuses it.
std::vector<unsigned char> PinBytes(int length, const wchar_t* pin) {
    if (length <= 0 || !pin) return {};
    std::string bytes = platform::Utf8FromWide(std::wstring_view(pin, std::wcslen(pin)));
    if (bytes.size() > static_cast<std::size_t>(length)) bytes.resize(static_cast<std::size_t>(length));
    return {bytes.begin(), bytes.end()};
}

}  // namespace

void CDeviceDistant::AskPairRequest(int length, const wchar_t* pin) {
    Unpair();
    const std::vector<unsigned char> bytes = PinBytes(length, pin);
    pairRequestResult(BthPairRequest(m_btAddr, static_cast<int>(bytes.size()), bytes.data()));
}

void CDeviceDistant::AnswerPairRequest(int length, const wchar_t* pin) {
    Unpair();
    const std::vector<unsigned char> bytes = PinBytes(length, pin);
    pairRequestResult(BthAnswerPairRequest(m_btAddr, static_cast<int>(bytes.size()), bytes.data()));
}

void CDeviceDistant::RefusePairRequest() {
    if (int error = BthRefusePINRequest(m_btAddr)) RaiseError(error, L"CDevice::RefusePairRequest");
}

void CDeviceDistant::pairRequestResult(int result) {
    if (result != 0) {
        // What the failed exchange may have left in the stack goes; nothing else changes.
        if (BthRevokePIN(m_btAddr) == 0) m_bPaired = 0;
        return;
    }
    m_bPaired = 1;
    FireNotification(NOTIFY_PAIRING_CHANGED, 0);
    if (GetClass() == 0) Update();
    CRegistry registry;
    registry.WriteValueString(PairedValueName(m_btAddr, L"_Paired"), GetName());
    registry.WriteValueDword(PairedValueName(m_btAddr, L"_Class"), GetClass());
}

void CDeviceDistant::Unpair() {
    if (BthRevokePIN(m_btAddr) != 0) return;  // nothing kept for the device
    if (int error = BthRevokeLinkKey(m_btAddr)) {
        RaiseError(error, L"CDeviceDistant::Unpair");
        return;
    }
    {
        CRegistry registry;
        registry.DeleteValue(PairedValueName(m_btAddr, L"_Paired"));
        registry.DeleteValue(PairedValueName(m_btAddr, L"_Class"));
    }
    m_bPaired = 0;
    FireNotification(NOTIFY_PAIRING_CHANGED, 0);
}
