// Pairing and unpairing a remote device. The paired state lives in three places kept in step:
// the stack's security store, the device's flag, and the "_Paired" / "_Class" values from
// which the next start lists the device as paired.
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/device/device_distant.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "platform/text/utf.h"

namespace {

// What the stack takes: 1 to 16 bytes.
constexpr std::size_t kMaxPinBytes = 16;

// The PIN goes to the stack as bytes: the UTF-8 of its first `length` characters, whole
// characters only. An empty PIN stays empty and the stack refuses it; one the stack would
// refuse for its length is reported, as no remote device ever says why it failed.
std::vector<unsigned char> PinBytes(int length, const wchar_t* pin, const wchar_t* context) {
    if (length <= 0 || !pin) return {};
    const std::size_t characters = std::min(static_cast<std::size_t>(length), std::wcslen(pin));
    const std::string bytes = platform::Utf8FromWide(std::wstring_view(pin, characters));
    if (bytes.size() > kMaxPinBytes) RaiseError(ERR_PIN_TOO_LONG, context);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

void CDeviceDistant::AskPairRequest(int length, const wchar_t* pin) {
    Unpair();
    const std::vector<unsigned char> bytes = PinBytes(length, pin, L"CDeviceDistant::AskPairRequest");
    pairRequestResult(BthPairRequest(m_btAddr, static_cast<int>(bytes.size()), bytes.data()));
}

void CDeviceDistant::AnswerPairRequest(int length, const wchar_t* pin) {
    Unpair();
    const std::vector<unsigned char> bytes = PinBytes(length, pin, L"CDeviceDistant::AnswerPairRequest");
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
