#include "engine/frame/bth_stack.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "platform/kernel/device.h"
#include "platform/kernel/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"

namespace {

// The stack handle: opened by the first request that finds "BTD0:", closed when the library
// unloads. A failed open leaves it closed so that the next request tries again.
class StackHandle {
public:
    ~StackHandle() {
        if (handle_) CloseHandle(handle_);
    }
    HANDLE Get() {
        std::lock_guard lock(mutex_);
        if (!handle_) {
            HANDLE opened = CreateFileW(L"BTD0:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
            if (opened != INVALID_HANDLE_VALUE && opened) handle_ = opened;
        }
        return handle_;
    }

private:
    std::mutex mutex_;
    HANDLE handle_ = nullptr;
};

StackHandle g_stack;

// Issues one request; 0 or the system error code.
int Issue(DWORD code, BthCallBlock& block) {
    HANDLE stack = g_stack.Get();
    if (!stack) return ERROR_SERVICE_NOT_ACTIVE;
    if (DeviceIoControl(stack, code, &block, sizeof block, nullptr, 0, nullptr, nullptr)) return 0;
    int error = static_cast<int>(GetLastError());
    return error ? error : ERROR_GEN_FAILURE;
}

// Name-space requests report like sockets: -1 with the reason in the last error.
int IssueNs(DWORD code, BthCallBlock& block) {
    int error = Issue(code, block);
    if (error == 0) return 0;
    SetLastError(static_cast<DWORD>(error));
    return -1;
}

int WithAddress(DWORD code, BT_ADDR address) {
    BthCallBlock block;
    block.address = address;
    return Issue(code, block);
}

int WriteByte(DWORD code, BYTE value) {
    BthCallBlock block;
    block.value = value;
    return Issue(code, block);
}

template <class T>
int ReadValue(DWORD code, T* out) {
    BthCallBlock block;
    int error = Issue(code, block);
    if (error == 0 && out) *out = static_cast<T>(block.value);
    return error;
}

int PinRequest(DWORD code, BT_ADDR address, int pinLength, const unsigned char* pin) {
    if (pinLength < 1 || pinLength > 16 || !pin) return ERROR_INVALID_PARAMETER;
    BthCallBlock block;
    block.address = address;
    block.value = static_cast<DWORD>(pinLength);
    std::memcpy(block.pin, pin, static_cast<size_t>(pinLength));
    return Issue(code, block);
}

void Convert(const BthDriverConnection& from, BASEBAND_CONNECTION& to) {
    to.hConnection = from.handle;
    to.bta = from.address & 0xFFFFFFFFFFFFull;
    to.cDataPacketsPending = from.packetsPending;
    to.fLinkType = from.flags & 1;
    to.fEncrypted = (from.flags >> 1) & 1;
    to.fAuthenticated = (from.flags >> 2) & 1;
    to.fMode = (from.flags >> 3) & 7;
}

}  // namespace

int BthWriteScanEnableMask(BYTE mask) { return WriteByte(bth::kWriteScanEnableMask, mask); }
int BthReadScanEnableMask(BYTE* mask) { return ReadValue(bth::kReadScanEnableMask, mask); }
int BthWriteAuthenticationEnable(BYTE enable) { return WriteByte(bth::kWriteAuthenticationEnable, enable); }
int BthReadAuthenticationEnable(BYTE* enable) { return ReadValue(bth::kReadAuthenticationEnable, enable); }
int BthReadCOD(unsigned int* classOfDevice) { return ReadValue(bth::kReadCod, classOfDevice); }
int BthGetHardwareStatus(int* status) { return ReadValue(bth::kGetHardwareStatus, status); }

int BthReadLocalAddr(BT_ADDR* address) {
    BthCallBlock block;
    int error = Issue(bth::kReadLocalAddr, block);
    if (error == 0 && address) *address = block.address;
    return error;
}

int BthRemoteNameQuery(BT_ADDR address, unsigned int bufferSize, unsigned int* required, wchar_t* name) {
    BthCallBlock block;
    block.address = address;
    block.value = bufferSize;
    DWORD needed = 0;
    block.requiredSize = &needed;
    block.name = name;
    int error = Issue(bth::kRemoteNameQuery, block);
    if (required) *required = needed;
    return error;
}

int BthGetRemoteCOD(BT_ADDR address, unsigned int* classOfDevice) {
    BthCallBlock block;
    block.address = address;
    int error = Issue(bth::kGetRemoteCod, block);
    if (error == 0 && classOfDevice) *classOfDevice = block.value;
    return error;
}

int BthRevokePIN(BT_ADDR address) { return WithAddress(bth::kRevokePin, address); }
int BthRevokeLinkKey(BT_ADDR address) { return WithAddress(bth::kRevokeLinkKey, address); }
int BthRefusePINRequest(BT_ADDR address) { return WithAddress(bth::kRefusePinRequest, address); }

int BthSetSecurityUI(HANDLE event, DWORD storeTimeout, DWORD processTimeout) {
    BthCallBlock block;
    block.event = event;
    block.storeTimeout = storeTimeout;
    block.processTimeout = processTimeout;
    return Issue(bth::kSetSecurityUi, block);
}

int BthGetPINRequest(BT_ADDR* address) {
    BthCallBlock block;
    int error = Issue(bth::kGetPinRequest, block);
    if (error == 0 && address) *address = block.address;
    return error;
}

int BthAnswerPairRequest(BT_ADDR address, int pinLength, const unsigned char* pin) {
    return PinRequest(bth::kAnswerPairRequest, address, pinLength, pin);
}

int BthPairRequest(BT_ADDR address, int pinLength, const unsigned char* pin) {
    return PinRequest(bth::kPairRequest, address, pinLength, pin);
}

int BthGetBasebandConnections(int count, BASEBAND_CONNECTION* connections, int* returned) {
    constexpr int kLocalRecords = 15;
    if (count < 0 || (count > 0 && !connections)) return ERROR_INVALID_PARAMETER;
    BthDriverConnection local[kLocalRecords];
    std::unique_ptr<BthDriverConnection[]> heap;
    BthDriverConnection* records = local;
    if (count > kLocalRecords) {
        heap.reset(new (std::nothrow) BthDriverConnection[static_cast<size_t>(count)]);
        if (!heap) return ERROR_OUTOFMEMORY;
        records = heap.get();
    }
    BthCallBlock block;
    block.value = static_cast<DWORD>(count);
    block.connections = records;
    int error = Issue(bth::kGetBasebandConnections, block);
    if (returned) *returned = static_cast<int>(block.count);
    if (error == 0 && block.count > static_cast<DWORD>(count)) return ERROR_INSUFFICIENT_BUFFER;
    if (error == 0)
        for (DWORD i = 0; i < block.count; ++i) Convert(records[i], connections[i]);
    return error;
}

int BthNsSetService(WSAQUERYSETW* querySet, DWORD operation, DWORD flags) {
    BthCallBlock block;
    block.querySet = querySet;
    block.operation = operation;
    block.flags = flags;
    return IssueNs(bth::kNsSetService, block);
}

int BthNsLookupServiceBegin(WSAQUERYSETW* querySet, DWORD flags, HANDLE* lookup) {
    BthCallBlock block;
    block.querySet = querySet;
    block.flags = flags;
    int result = IssueNs(bth::kNsLookupServiceBegin, block);
    if (result == 0 && lookup) *lookup = block.lookup;
    return result;
}

int BthNsLookupServiceNext(HANDLE lookup, DWORD flags, DWORD* bufferLength, WSAQUERYSETW* results) {
    BthCallBlock block;
    block.lookup = lookup;
    block.flags = flags;
    block.bufferLength = bufferLength ? *bufferLength : 0;
    block.querySet = results;
    int result = IssueNs(bth::kNsLookupServiceNext, block);
    if (bufferLength) *bufferLength = block.bufferLength;  // in every case: a short buffer learns its size
    return result;
}

int BthNsLookupServiceEnd(HANDLE lookup) {
    BthCallBlock block;
    block.lookup = lookup;
    return IssueNs(bth::kNsLookupServiceEnd, block);
}
