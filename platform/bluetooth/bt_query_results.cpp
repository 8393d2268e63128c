#include "platform/bluetooth/bt_query_results.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

namespace bth {
namespace {

// Offsets of the pieces of one result, each at its type's alignment from the buffer's start
// (which is aligned for WSAQUERYSETW, the strictest of them).
class Layout {
public:
    template <class T>
    std::size_t Add(std::size_t count = 1) {
        size_ = (size_ + alignof(T) - 1) / alignof(T) * alignof(T);
        const std::size_t at = size_;
        size_ += sizeof(T) * count;
        return at;
    }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
};

// Checks the caller's buffer against the layout; ERROR_SUCCESS when it fits, after zeroing
// the part the result uses.
DWORD Claim(const Layout& layout, WSAQUERYSETW* buffer, DWORD* length) {
    static_assert(alignof(WSAQUERYSETW) >= alignof(BthInquiryResult) && alignof(WSAQUERYSETW) >= alignof(wchar_t));
    if (layout.size() > std::numeric_limits<DWORD>::max()) return WSAEFAULT;
    if (!buffer || *length < layout.size()) {
        *length = static_cast<DWORD>(layout.size());
        return WSAEFAULT;
    }
    if (reinterpret_cast<std::uintptr_t>(buffer) % alignof(WSAQUERYSETW) != 0) return WSAEINVAL;
    std::memset(buffer, 0, layout.size());
    return ERROR_SUCCESS;
}

template <class T>
T* Place(WSAQUERYSETW* buffer, std::size_t offset) {
    return new (reinterpret_cast<std::byte*>(buffer) + offset) T{};
}

WSAQUERYSETW* PlaceHead(WSAQUERYSETW* buffer) {
    WSAQUERYSETW* head = Place<WSAQUERYSETW>(buffer, 0);
    head->dwSize = sizeof(WSAQUERYSETW);
    head->dwNameSpace = NS_BTH;
    return head;
}

}  // namespace

DWORD WriteInquiryResult(const InquiryDevice& device, WSAQUERYSETW* buffer, DWORD* length) {
    Layout layout;
    layout.Add<WSAQUERYSETW>();
    const std::size_t address = layout.Add<CSADDR_INFO>();
    const std::size_t socket = layout.Add<SOCKADDR_BTH>();
    const std::size_t blob = layout.Add<BLOB>();
    const std::size_t inquiry = layout.Add<BthInquiryResult>();
    const std::size_t name = layout.Add<wchar_t>(device.name.size() + 1);
    if (DWORD error = Claim(layout, buffer, length)) return error;

    WSAQUERYSETW* head = PlaceHead(buffer);
    auto* text = Place<wchar_t>(buffer, name);
    std::memcpy(text, device.name.c_str(), (device.name.size() + 1) * sizeof(wchar_t));
    head->lpszServiceInstanceName = text;

    auto* remote = Place<SOCKADDR_BTH>(buffer, socket);
    remote->addressFamily = AF_BTH;
    remote->btAddr = device.address;
    auto* csa = Place<CSADDR_INFO>(buffer, address);
    csa->RemoteAddr.lpSockaddr = remote;
    csa->RemoteAddr.iSockaddrLength = sizeof(SOCKADDR_BTH);
    head->dwNumberOfCsAddrs = 1;
    head->lpcsaBuffer = csa;

    auto* result = Place<BthInquiryResult>(buffer, inquiry);
    result->ba = device.address;
    result->cod = device.classOfDevice;
    auto* info = Place<BLOB>(buffer, blob);
    info->cbSize = sizeof(BthInquiryResult);
    info->pBlobData = reinterpret_cast<BYTE*>(result);
    head->lpBlob = info;
    return ERROR_SUCCESS;
}

DWORD WriteServiceSearchResult(const std::vector<std::uint8_t>& response, WSAQUERYSETW* buffer, DWORD* length) {
    Layout layout;
    layout.Add<WSAQUERYSETW>();
    const std::size_t blob = layout.Add<BLOB>();
    const std::size_t bytes = layout.Add<BYTE>(response.size());
    if (DWORD error = Claim(layout, buffer, length)) return error;

    WSAQUERYSETW* head = PlaceHead(buffer);
    auto* data = reinterpret_cast<BYTE*>(buffer) + bytes;
    if (!response.empty()) std::memcpy(data, response.data(), response.size());
    auto* info = Place<BLOB>(buffer, blob);
    info->cbSize = static_cast<ULONG>(response.size());
    info->pBlobData = data;
    head->lpBlob = info;
    return ERROR_SUCCESS;
}

}  // namespace bth
