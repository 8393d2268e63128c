#include "platform/bluetooth/bt_stack_driver.h"

#include <algorithm>
#include <cwchar>
#include <functional>

#include "platform/bluetooth/bt_lookups.h"
#include "platform/bluetooth/bt_query_search.h"
#include "platform/kernel/last_error.h"
#include "platform/obex/server/server_service.h"

namespace bth {
namespace {

constexpr std::size_t kMaxPinBytes = 16;

BOOL Result(DWORD error) {
    if (error == ERROR_SUCCESS) return TRUE;
    SetLastError(error);
    return FALSE;
}

BthDriverConnection ToDriverRecord(const BasebandLink& link) {
    const DWORD flags = (link.acl ? 1u : 0u) | (link.encrypted ? 2u : 0u) | (link.authenticated ? 4u : 0u) |
                        (static_cast<DWORD>(link.mode & 7) << 3);
    return {link.handle, link.address & 0xFFFFFFFFFFFFull, link.packetsPending, flags};
}

}  // namespace

class StackRequests::Impl {
public:
    explicit Impl(std::shared_ptr<Backend> backend) : backend_(backend), lookups_(std::move(backend)) {}

    DWORD Serve(DWORD code, BthCallBlock& block) {
        Backend& radio = *backend_;
        switch (code) {
            case kWriteScanEnableMask: return radio.WriteScanMask(static_cast<std::uint8_t>(block.value));
            case kWriteAuthenticationEnable: return radio.WriteAuthentication(static_cast<std::uint8_t>(block.value));
            case kReadScanEnableMask:
                return ReadInto<std::uint8_t>(block.value, [&](auto* v) { return radio.ReadScanMask(v); });
            case kReadAuthenticationEnable:
                return ReadInto<std::uint8_t>(block.value, [&](auto* v) { return radio.ReadAuthentication(v); });
            case kReadCod:
                return ReadInto<std::uint32_t>(block.value, [&](auto* v) { return radio.ReadLocalClass(v); });
            case kGetHardwareStatus:
                return ReadInto<std::uint32_t>(block.value, [&](auto* v) { return radio.ReadHardwareStatus(v); });
            case kReadLocalAddr:
                return ReadInto<BT_ADDR>(block.address, [&](auto* v) { return radio.ReadLocalAddress(v); });
            case kGetBasebandConnections: return BasebandConnections(block);

            case kRemoteNameQuery: return RemoteName(block);
            case kGetRemoteCod:
                return ReadInto<std::uint32_t>(block.value,
                                               [&](auto* v) { return radio.RemoteClass(block.address, v); });

            case kPairRequest:
            case kAnswerPairRequest: {
                if (block.value < 1 || block.value > kMaxPinBytes) return ERROR_INVALID_PARAMETER;
                const Pin pin(block.pin, block.pin + block.value);
                return code == kPairRequest ? radio.PairRequest(block.address, pin)
                                            : radio.AnswerPairRequest(block.address, pin);
            }
            case kRefusePinRequest: return radio.RefusePinRequest(block.address);
            case kRevokePin: return radio.RevokePin(block.address);
            case kRevokeLinkKey: return radio.RevokeLinkKey(block.address);
            case kSetSecurityUi: return SetSecurityUi(block);
            case kGetPinRequest:
                return ReadInto<BT_ADDR>(block.address, [&](auto* v) { return radio.NextPinRequest(v); });

            case kNsLookupServiceBegin: return LookupBegin(block);
            case kNsLookupServiceNext: return lookups_.Next(block.lookup, block.querySet, &block.bufferLength);
            case kNsLookupServiceEnd: return lookups_.End(block.lookup);
            case kNsSetService: return SetService(block);
            default: return ERROR_NOT_SUPPORTED;
        }
    }

private:
    // Reads a value of the backend's type and widens it into the block's field on success.
    template <class Value, class Field, class Read>
    static DWORD ReadInto(Field& field, Read read) {
        Value value{};
        const DWORD error = read(&value);
        if (error == ERROR_SUCCESS) field = static_cast<Field>(value);
        return error;
    }

    DWORD BasebandConnections(BthCallBlock& block) {
        std::vector<BasebandLink> links;
        if (DWORD error = backend_->ReadBasebandLinks(&links)) return error;
        block.count = static_cast<DWORD>(links.size());
        if (links.size() > block.value) return ERROR_SUCCESS;  // the caller learns the count and asks again
        if (!block.connections && !links.empty()) return ERROR_INVALID_PARAMETER;
        std::transform(links.begin(), links.end(), block.connections, ToDriverRecord);
        return ERROR_SUCCESS;
    }

    // The name with its terminator goes into the caller's buffer when its size (characters)
    // holds it; the size needed, terminator included, is reported whenever the device answered.
    DWORD RemoteName(BthCallBlock& block) {
        if (!block.name && block.value > 0) return ERROR_INVALID_PARAMETER;
        std::wstring name;
        if (DWORD error = backend_->RemoteName(block.address, &name)) return error;
        const auto needed = static_cast<DWORD>(name.size() + 1);
        if (block.requiredSize) *block.requiredSize = needed;
        if (block.value < needed) return ERROR_INSUFFICIENT_BUFFER;
        std::wmemcpy(block.name, name.c_str(), needed);
        return ERROR_SUCCESS;
    }

    // A handler's event registers it; no event with both time-outs 0 unregisters.
    DWORD SetSecurityUi(const BthCallBlock& block) {
        if (block.event)
            return backend_->RegisterPinRequestEvent(block.event, block.storeTimeout, block.processTimeout);
        if (block.storeTimeout != 0 || block.processTimeout != 0) return ERROR_INVALID_PARAMETER;
        return backend_->UnregisterPinRequestEvent();
    }

    DWORD LookupBegin(BthCallBlock& block) {
        const WSAQUERYSETW* query = block.querySet;
        if (!query || query->dwNameSpace != NS_BTH) return WSAEINVAL;
        if (block.flags & LUP_CONTAINERS) return lookups_.BeginInquiry(&block.lookup);
        auto search = ReadServiceSearch(*query);
        if (!search) return WSAEINVAL;
        return lookups_.BeginServiceSearch(*search, &block.lookup);
    }

    // Publishes a record (its handle written back through the caller's variable) or deletes
    // the record of the handle the variable holds.
    DWORD SetService(const BthCallBlock& block) {
        const bool publish = block.operation == RNRSERVICE_REGISTER;
        if (!block.querySet || (!publish && block.operation != RNRSERVICE_DELETE)) return WSAEINVAL;
        auto request = ReadRecordPublication(*block.querySet, publish);
        if (!request) return WSAEINVAL;
        if (!publish) return backend_->RemoveRecord(*request->handle);
        std::uint32_t handle = 0;
        if (DWORD error = backend_->PublishRecord(request->record, &handle)) return error;
        *request->handle = handle;
        return ERROR_SUCCESS;
    }

    const std::shared_ptr<Backend> backend_;
    Lookups lookups_;
};

StackRequests::StackRequests(std::shared_ptr<Backend> backend) : impl_(std::make_unique<Impl>(std::move(backend))) {}
StackRequests::~StackRequests() = default;
DWORD StackRequests::Serve(DWORD code, BthCallBlock& block) { return impl_->Serve(code, block); }

namespace {

// One open of "BTD0:". The start request carries the wide text "card"; every other request
// carries a call block, into which the results are written back.
class StackFile final : public platform::DeviceFile {
public:
    StackFile(std::shared_ptr<Backend> backend, std::shared_ptr<StackRequests> requests)
        : backend_(std::move(backend)), requests_(std::move(requests)) {}
    BOOL IoControl(DWORD code, const void* in, DWORD inSize, void*, DWORD, DWORD*) override {
        if (code == IOCTL_SERVICE_START) {
            const auto* text = static_cast<const wchar_t*>(in);
            const bool card = text && inSize >= 5 * sizeof(wchar_t) && std::wcsncmp(text, L"card", 5) == 0;
            return Result(card ? backend_->StartStack() : ERROR_INVALID_PARAMETER);
        }
        if (!in || inSize != sizeof(BthCallBlock)) return Result(ERROR_INVALID_PARAMETER);
        return Result(requests_->Serve(code, *static_cast<BthCallBlock*>(const_cast<void*>(in))));
    }

private:
    const std::shared_ptr<Backend> backend_;
    const std::shared_ptr<StackRequests> requests_;
};

// One open of a service device ("BTS1:", "OBX0:"): start and stop requests.
class ServiceFile final : public platform::DeviceFile {
public:
    using Control = std::function<DWORD(bool start)>;
    explicit ServiceFile(Control control) : control_(std::move(control)) {}
    BOOL IoControl(DWORD code, const void*, DWORD, void*, DWORD, DWORD*) override {
        if (code == IOCTL_SERVICE_START) return Result(control_(true));
        if (code == IOCTL_SERVICE_STOP) return Result(control_(false));
        return Result(ERROR_NOT_SUPPORTED);
    }

private:
    const Control control_;
};

// A device that exists while the backend says so.
class BackendDriver final : public platform::StreamDriver {
public:
    using Present = bool (Backend::*)();
    using Opener = std::function<std::unique_ptr<platform::DeviceFile>()>;
    BackendDriver(std::shared_ptr<Backend> backend, Present present, Opener open)
        : backend_(std::move(backend)), present_(present), open_(std::move(open)) {}
    std::unique_ptr<platform::DeviceFile> Open(DWORD, DWORD) override {
        if (!((*backend_).*present_)()) {
            SetLastError(ERROR_DEV_NOT_EXIST);
            return nullptr;
        }
        return open_();
    }

private:
    const std::shared_ptr<Backend> backend_;
    const Present present_;
    const Opener open_;
};

}  // namespace

std::shared_ptr<platform::StreamDriver> MakeStackDriver(std::shared_ptr<Backend> backend) {
    auto requests = std::make_shared<StackRequests>(backend);
    return std::make_shared<BackendDriver>(
        backend, &Backend::HasStack, [backend, requests] { return std::make_unique<StackFile>(backend, requests); });
}

std::shared_ptr<platform::StreamDriver> MakeStackServiceDriver(std::shared_ptr<Backend> backend) {
    return std::make_shared<BackendDriver>(backend, &Backend::HasStackService, [backend] {
        return std::make_unique<ServiceFile>([backend](bool start) { return backend->ControlStackService(start); });
    });
}

std::shared_ptr<platform::StreamDriver> MakeObexServiceDriver(std::shared_ptr<Backend> backend) {
    // The service's state is the backend's; the servers behind it are ours.
    return std::make_shared<BackendDriver>(backend, &Backend::HasObexService, [backend] {
        return std::make_unique<ServiceFile>([backend](bool start) -> DWORD {
            if (!start) obex::StopServers();
            if (DWORD error = backend->ControlObexService(start); error != ERROR_SUCCESS || !start) return error;
            if (DWORD error = obex::StartServers(backend); error != ERROR_SUCCESS) {
                backend->ControlObexService(false);
                return error;
            }
            return ERROR_SUCCESS;
        });
    });
}

}  // namespace bth
