#include "sim/adapter_devices.h"

#include <cwchar>

#include "platform/bluetooth/bt_driver.h"
#include "platform/kernel/last_error.h"
#include "sim/radio.h"
#include "sim/stack_requests.h"

namespace sim {
namespace {

BOOL Result(DWORD error) {
    if (error == ERROR_SUCCESS) return TRUE;
    SetLastError(error);
    return FALSE;
}

// One open of "BTD0:". The start request carries the text "card"; every other request
// carries a call block.
class StackFile final : public platform::DeviceFile {
public:
    explicit StackFile(Radio& radio) : radio_(radio) {}
    BOOL IoControl(DWORD code, const void* in, DWORD inSize, void*, DWORD, DWORD*) override {
        if (code == IOCTL_SERVICE_START) {
            const auto* text = static_cast<const wchar_t*>(in);
            bool card = text && inSize >= 5 * sizeof(wchar_t) && std::wcsncmp(text, L"card", 5) == 0;
            return Result(card ? radio_.StartStack() : ERROR_INVALID_PARAMETER);
        }
        if (!in || inSize != sizeof(BthCallBlock)) return Result(ERROR_INVALID_PARAMETER);
        // The block is the caller's: results are written back into it.
        return Result(HandleStackRequest(radio_, code, *static_cast<BthCallBlock*>(const_cast<void*>(in))));
    }

private:
    Radio& radio_;
};

class ServiceFile final : public platform::DeviceFile {
public:
    explicit ServiceFile(Radio& radio) : radio_(radio) {}
    BOOL IoControl(DWORD code, const void*, DWORD, void*, DWORD, DWORD*) override {
        if (code == IOCTL_SERVICE_START) return Result(radio_.ServiceControl(true));
        if (code == IOCTL_SERVICE_STOP) return Result(radio_.ServiceControl(false));
        return Result(ERROR_NOT_SUPPORTED);
    }

private:
    Radio& radio_;
};

template <class File>
class Driver final : public platform::StreamDriver {
public:
    explicit Driver(Radio& radio) : radio_(radio) {}
    std::unique_ptr<platform::DeviceFile> Open(DWORD, DWORD) override { return std::make_unique<File>(radio_); }

private:
    Radio& radio_;
};

}  // namespace

std::shared_ptr<platform::StreamDriver> MakeStackDriver(Radio& radio) {
    return std::make_shared<Driver<StackFile>>(radio);
}

std::shared_ptr<platform::StreamDriver> MakeServiceDriver(Radio& radio) {
    return std::make_shared<Driver<ServiceFile>>(radio);
}

}  // namespace sim
