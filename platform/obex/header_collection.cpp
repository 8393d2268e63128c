#include "platform/obex/header_collection.h"

#include <algorithm>
#include <mutex>

namespace platform {
namespace {

constexpr std::size_t kMaxHeaderSize = 0xFFFF;

class HeaderCollection final : public IHeaderCollection {
public:
    HRESULT AddByteSeq(BYTE id, DWORD size, const BYTE* data) override {
        if (!data && size != 0) return E_POINTER;
        return Add(obex::Header(id, obex::Bytes(data, data + size)));
    }
    HRESULT AddUnicodeString(BYTE id, const wchar_t* text) override {
        if (!text) return E_POINTER;
        return Add(obex::Header(id, std::wstring(text)));
    }
    HRESULT AddByte(BYTE id, BYTE value) override { return Add(obex::Header(id, value)); }
    HRESULT AddLong(BYTE id, DWORD value) override { return Add(obex::Header(id, static_cast<std::uint32_t>(value))); }
    HRESULT AddName(const wchar_t* name) override { return AddUnicodeString(obex::hid::kName, name); }
    HRESULT AddDescription(const wchar_t* text) override { return AddUnicodeString(obex::hid::kDescription, text); }
    HRESULT AddType(DWORD size, const char* type) override {
        if (!type) return E_POINTER;
        obex::Bytes bytes(type, type + size);
        if (bytes.empty() || bytes.back() != 0) bytes.push_back(0);
        return Add(obex::Header(obex::hid::kType, std::move(bytes)));
    }
    HRESULT AddLength(DWORD length) override { return AddLong(obex::hid::kLength, length); }
    HRESULT AddCount(DWORD count) override { return AddLong(obex::hid::kCount, count); }
    HRESULT AddConnectionId(DWORD id) override { return AddLong(obex::hid::kConnectionId, id); }
    HRESULT AddTarget(DWORD size, const BYTE* target) override { return AddByteSeq(obex::hid::kTarget, size, target); }
    HRESULT AddWho(DWORD size, const BYTE* who) override { return AddByteSeq(obex::hid::kWho, size, who); }
    HRESULT AddAppParams(DWORD size, const BYTE* params) override {
        return AddByteSeq(obex::hid::kAppParameters, size, params);
    }
    HRESULT Remove(BYTE id) override {
        std::lock_guard lock(mutex_);
        const auto removed = std::erase_if(headers_, [id](const obex::Header& h) { return h.id() == id; });
        return removed ? S_OK : S_FALSE;
    }
    HRESULT RemoveAll() override {
        std::lock_guard lock(mutex_);
        headers_.clear();
        return S_OK;
    }
    std::vector<obex::Header> Headers() const override {
        std::lock_guard lock(mutex_);
        return headers_;
    }

private:
    HRESULT Add(obex::Header header) {
        if (!header.Valid() || header.EncodedSize() > kMaxHeaderSize) return E_INVALIDARG;
        if (const auto* text = header.text(); text && text->find(L'\0') != std::wstring::npos) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        headers_.push_back(std::move(header));
        return S_OK;
    }

    mutable std::mutex mutex_;
    std::vector<obex::Header> headers_;
};

}  // namespace

std::shared_ptr<IHeaderCollection> CreateHeaderCollection() { return std::make_shared<HeaderCollection>(); }

}  // namespace platform
