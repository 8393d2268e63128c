#include <atomic>

#include "platform/bluetooth/bt_backend.h"
#include "platform/obex/obex.h"

namespace platform {
namespace {

// Sessions come with the OBEX transports; the component itself only knows whether it is up.
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
