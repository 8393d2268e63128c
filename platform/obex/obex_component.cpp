#include <atomic>

#include "platform/bluetooth/bt_backend.h"
#include "platform/obex/obex.h"

namespace platform {
namespace {

// The component knows whether it is up; sessions run on the devices it binds.
class ObexComponent final : public IObex {
public:
    HRESULT Initialize() override {
        initialized_ = true;
        return S_OK;
    }
    HRESULT Shutdown() override {
        initialized_ = false;
        return S_OK;
    }
    // No transport binds a device yet: a session is made with CreateObexDevice on a link.
    HRESULT BindToDevice(IPropertyBag* properties, std::shared_ptr<IObexDevice>* device) override {
        if (!properties || !device) return E_POINTER;
        device->reset();
        return initialized_ ? HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED) : E_UNEXPECTED;
    }

private:
    std::atomic<bool> initialized_{false};
};

}  // namespace

std::shared_ptr<IObex> CreateObexComponent() {
    auto backend = bth::InstalledBackend();
    if (!backend || !backend->HasObexComponent()) return nullptr;
    return std::make_shared<ObexComponent>();
}

}  // namespace platform
