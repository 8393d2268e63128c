#include "platform/obex/property_bag.h"

#include <map>
#include <mutex>

namespace platform {
namespace {

class PropertyBag final : public IPropertyBag {
public:
    HRESULT Read(const wchar_t* name, std::wstring* value) const override {
        if (!name || !value) return E_POINTER;
        std::lock_guard lock(mutex_);
        const auto it = values_.find(name);
        if (it == values_.end()) return E_INVALIDARG;
        *value = it->second;
        return S_OK;
    }
    HRESULT Write(const wchar_t* name, const std::wstring& value) override {
        if (!name) return E_POINTER;
        std::lock_guard lock(mutex_);
        values_[name] = value;
        return S_OK;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::wstring, std::wstring, std::less<>> values_;
};

}  // namespace

std::shared_ptr<IPropertyBag> CreatePropertyBag() { return std::make_shared<PropertyBag>(); }

}  // namespace platform
