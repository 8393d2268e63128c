#pragma once
// Drives an OBEX service of the simulated radio as the engine's clients do: bound through the
// OBEX component, then connected, with whole objects put and got through the streams.
#include <string>

#include "platform/obex/obex.h"

namespace testsupport {

// The Folder Browsing target, and the service classes as the engine writes them.
inline constexpr BYTE kFolderBrowsing[16] = {0xF9, 0xEC, 0x7B, 0xC4, 0x95, 0x3C, 0x11, 0xD2,
                                             0x98, 0x4E, 0x52, 0x54, 0x00, 0xDC, 0x9E, 0x09};
inline constexpr const wchar_t* kFileTransferClass = L"{00001106-0000-1000-8000-00805f9b34fb}";
inline constexpr const wchar_t* kObjectPushClass = L"{00001105-0000-1000-8000-00805f9b34fb}";

inline HRESULT Bind(const std::wstring& address, const wchar_t* serviceClass, std::shared_ptr<IObexDevice>* device) {
    auto obex = platform::CreateObexComponent();
    if (!obex || FAILED(obex->Initialize())) return E_FAIL;
    auto bag = platform::CreatePropertyBag();
    bag->Write(L"Address", address);
    if (serviceClass) bag->Write(L"RequestedServiceUUID", serviceClass);
    bag->Write(L"Name", L"Phone");
    return obex->BindToDevice(bag.get(), device);
}

// Bound and connected (with the Folder Browsing target for File Transfer), or null.
inline std::shared_ptr<IObexDevice> Connect(const std::wstring& address, bool fileTransfer) {
    std::shared_ptr<IObexDevice> device;
    if (FAILED(Bind(address, fileTransfer ? kFileTransferClass : kObjectPushClass, &device))) return nullptr;
    auto headers = platform::CreateHeaderCollection();
    if (fileTransfer) headers->AddTarget(16, kFolderBrowsing);
    return SUCCEEDED(device->Connect(nullptr, 0, headers.get())) ? device : nullptr;
}

// A PUT of `body` (none at all: a delete).
inline HRESULT Put(IObexDevice& device, const std::wstring& name, const std::string* body) {
    auto headers = platform::CreateHeaderCollection();
    headers->AddName(name.c_str());
    if (body) headers->AddLength(static_cast<DWORD>(body->size()));
    std::unique_ptr<IStream> stream;
    if (HRESULT result = device.Put(headers.get(), &stream); FAILED(result)) return result;
    ULONG written = 0;
    if (body && !body->empty())
        if (HRESULT result = stream->Write(body->data(), static_cast<ULONG>(body->size()), &written); FAILED(result))
            return result;
    return stream->Commit(0);
}

// A GET by name, or of the current folder's listing when `name` is empty.
inline HRESULT Get(IObexDevice& device, const std::wstring& name, std::string* body) {
    auto headers = platform::CreateHeaderCollection();
    headers->AddName(name.c_str());
    if (name.empty()) headers->AddType(22, "x-obex/folder-listing");
    std::unique_ptr<IStream> stream;
    if (HRESULT result = device.Get(headers.get(), &stream); FAILED(result)) return result;
    body->clear();
    char buffer[1000];
    for (;;) {
        ULONG read = 0;
        const HRESULT result = stream->Read(buffer, sizeof buffer, &read);
        body->append(buffer, read);
        if (result != S_OK || read == 0) return FAILED(result) ? result : S_OK;
    }
}

}  // namespace testsupport
