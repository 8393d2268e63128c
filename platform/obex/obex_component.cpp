#include <atomic>

#include "platform/bluetooth/bt_backend.h"
#include "platform/obex/obex.h"
#include "platform/obex/obex_binder.h"

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
    // Over the Bluetooth serial link to the service the properties name.
    HRESULT BindToDevice(IPropertyBag* properties, std::shared_ptr<IObexDevice>* device) override {
        if (!properties || !device) return E_POINTER;
        device->reset();
        return initialized_ ? BindObexDevice(properties, device) : E_UNEXPECTED;
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
