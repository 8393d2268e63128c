#pragma once
// The headers an OBEX request carries, gathered by the caller before the request is made.
#include <memory>
#include <vector>

#include "platform/kernel/com.h"
#include "platform/obex/obex_header.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

// Each Add… appends one header (S_OK), E_POINTER for a null argument, E_INVALIDARG for a value
// the header cannot carry (an identifier of another encoding, text holding U+0000, more than
// a header holds). Safe to use from several threads.
class IHeaderCollection {
public:
    virtual ~IHeaderCollection() = default;
    virtual HRESULT AddByteSeq(BYTE id, DWORD size, const BYTE* data) = 0;
    virtual HRESULT AddUnicodeString(BYTE id, const wchar_t* text) = 0;
    virtual HRESULT AddByte(BYTE id, BYTE value) = 0;
    virtual HRESULT AddLong(BYTE id, DWORD value) = 0;
    virtual HRESULT AddName(const wchar_t* name) = 0;
    virtual HRESULT AddDescription(const wchar_t* description) = 0;
    // `size` counts the terminating zero; one is added when the bytes lack it.
    virtual HRESULT AddType(DWORD size, const char* type) = 0;
    virtual HRESULT AddLength(DWORD length) = 0;
    virtual HRESULT AddCount(DWORD count) = 0;
    virtual HRESULT AddConnectionId(DWORD id) = 0;
    virtual HRESULT AddTarget(DWORD size, const BYTE* target) = 0;
    virtual HRESULT AddWho(DWORD size, const BYTE* who) = 0;
    virtual HRESULT AddAppParams(DWORD size, const BYTE* params) = 0;
    // Every header with this identifier; S_FALSE when there was none.
    virtual HRESULT Remove(BYTE id) = 0;
    virtual HRESULT RemoveAll() = 0;
    // A copy of the headers in the order they were added.
    virtual std::vector<obex::Header> Headers() const = 0;
};

namespace platform {

std::shared_ptr<IHeaderCollection> CreateHeaderCollection();

}  // namespace platform

#pragma GCC visibility pop
