#include "platform/bluetooth/bt_serial_driver.h"

#include <cstring>

#include "platform/bluetooth/bt_port_params.h"
#include "platform/bluetooth/bt_serial_port.h"
#include "platform/kernel/last_error.h"
#include "platform/text/case_fold.h"

namespace bth {
namespace {

constexpr DWORD kLastIndex = 9;
constexpr int kLastChannel = 30;

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

bool Sensible(const PORTEMUPortParams& record) {
    if (record.flocal == 1) return record.channel == RFCOMM_CHANNEL_MULTIPLE || record.channel == 0;
    // A client's device may still be 0: a port is registered to learn whether its index is
    // free, and the link is made only when the port is opened.
    return record.flocal == 0 && record.channel >= 0 && record.channel <= kLastChannel;
}

// One open handle of a port; one with data access keeps the port's connection alive.
class PortFile final : public platform::DeviceFile {
public:
    PortFile(std::shared_ptr<SerialPort> port, bool attached) : port_(std::move(port)), attached_(attached) {}
    ~PortFile() override {
        if (attached_) port_->Detach();
    }

    BOOL IoControl(DWORD code, const void*, DWORD, void* out, DWORD outSize, DWORD* returned) override {
        if (code != IOCTL_BLUETOOTH_GET_RFCOMM_CHANNEL) return Fail(ERROR_NOT_SUPPORTED);
        if (!out || outSize < sizeof(DWORD)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::uint8_t link = 0;
        if (!attached_ || !port_->Channel(&link)) return Fail(ERROR_DEVICE_NOT_CONNECTED);
        const DWORD channel = link;
        std::memcpy(out, &channel, sizeof channel);
        if (returned) *returned = sizeof channel;
        return TRUE;
    }

private:
    const std::shared_ptr<SerialPort> port_;
    const bool attached_;  // opened with data access
};

class PortDriver final : public platform::StreamDriver {
public:
    explicit PortDriver(std::shared_ptr<SerialPort> port) : port_(std::move(port)) {}
    // Deregistration: the port goes now, whoever still holds a handle.
    ~PortDriver() override { port_->Close(); }

    std::unique_ptr<platform::DeviceFile> Open(DWORD access, DWORD) override {
        const bool data = (access & (GENERIC_READ | GENERIC_WRITE)) != 0;
        if (data) {
            if (DWORD error = port_->Attach()) {
                SetLastError(error);
                return nullptr;
            }
        }
        return std::make_unique<PortFile>(port_, data);
    }

private:
    const std::shared_ptr<SerialPort> port_;
};

}  // namespace

platform::DriverFactory MakeSerialDriverFactory(std::shared_ptr<Backend> backend) {
    return [backend](const std::wstring& prefix, DWORD index, DWORD context) -> std::shared_ptr<platform::StreamDriver> {
        const auto record = ResolvePortParams(context);
        if (!record || !Sensible(*record) || platform::FoldCase(prefix) != L"com" || index > kLastIndex) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (backend->IsPortReserved(index)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return nullptr;
        }
        std::shared_ptr<SerialPort> port;
        if (DWORD error = SerialPort::Create(backend, index, *record, &port)) {
            SetLastError(error);
            return nullptr;
        }
        return std::make_shared<PortDriver>(std::move(port));
    };
}

}  // namespace bth
