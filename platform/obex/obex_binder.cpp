#include "platform/obex/obex_binder.h"

#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_stream.h"
#include "platform/obex/obex_session.h"
#include "platform/obex/serial_link_transport.h"

namespace platform {
namespace {

// The lookup is ended however the search went.
class ServiceLookup {
public:
    ServiceLookup(bth::Backend& backend, const bth::ServiceSearch& search) : backend_(backend) {
        error_ = backend_.BeginServiceSearch(search, &id_);
    }
    ~ServiceLookup() {
        if (error_ == ERROR_SUCCESS) backend_.EndLookup(id_);
    }
    DWORD Next(std::vector<std::uint8_t>* response) {
        return error_ != ERROR_SUCCESS ? error_ : backend_.NextServiceResponse(id_, response);
    }

private:
    bth::Backend& backend_;
    bth::LookupId id_ = 0;
    DWORD error_ = ERROR_SUCCESS;
};

std::optional<std::wstring> ReadProperty(IPropertyBag& properties, const wchar_t* name) {
    std::wstring value;
    if (FAILED(properties.Read(name, &value))) return std::nullopt;
    return value;
}

std::optional<sdp::Uuid> ParseServiceClass(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        if (c <= 0 || c > 0x7F) return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    return sdp::Uuid::FromString(narrow);
}

// "ResponseTimeout": milliseconds, 1 to 3600000; the session's default when absent or malformed.
std::chrono::milliseconds ResponseTimeout(IPropertyBag& properties) {
    const auto text = ReadProperty(properties, L"ResponseTimeout");
    if (!text || text->empty() || text->size() > 7) return obex::ClientSession::kDefaultTimeout;
    std::uint32_t value = 0;
    for (wchar_t c : *text) {
        if (c < L'0' || c > L'9') return obex::ClientSession::kDefaultTimeout;
        value = value * 10 + static_cast<std::uint32_t>(c - L'0');
    }
    if (value == 0 || value > 3600000) return obex::ClientSession::kDefaultTimeout;
    return std::chrono::milliseconds(value);
}

}  // namespace

DWORD FindRfcommChannel(bth::Backend& backend, BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t* channel) {
    bth::ServiceSearch search;
    search.target = device;
    search.pattern = {serviceClass};
    search.ranges = {{0x0000, 0xFFFF}};
    ServiceLookup lookup(backend, search);
    std::vector<std::uint8_t> response;
    if (DWORD error = lookup.Next(&response)) return error == WSA_E_NO_MORE ? ERROR_NOT_FOUND : error;
    std::vector<sdp::Record> records;
    if (!sdp::RetrieveRecords(response.data(), response.size(), &records) || records.empty()) return ERROR_NOT_FOUND;
    const auto found = sdp::RfcommChannel(records.front());
    if (!found) return ERROR_NOT_FOUND;
    *channel = *found;
    return ERROR_SUCCESS;
}

HRESULT BindObexDevice(IPropertyBag* properties, std::shared_ptr<IObexDevice>* device) {
    if (!properties || !device) return E_POINTER;
    device->reset();
    const auto addressText = ReadProperty(*properties, L"Address");
    const auto classText = ReadProperty(*properties, L"RequestedServiceUUID");
    BT_ADDR address = 0;
    const auto parsedClass = classText ? ParseServiceClass(*classText) : std::nullopt;
    if (!addressText || !bth::ParseAddress(*addressText, &address, bth::AddressForm::Digits) || !parsedClass)
        return E_INVALIDARG;
    const sdp::Uuid serviceClass = *parsedClass;
    const auto backend = bth::InstalledBackend();
    if (!backend) return HRESULT_FROM_WIN32(ERROR_SERVICE_NOT_ACTIVE);
    std::uint8_t channel = 0;
    if (DWORD error = FindRfcommChannel(*backend, address, serviceClass, &channel)) return HRESULT_FROM_WIN32(error);
    std::unique_ptr<obex::SerialLinkTransport> transport;
    if (DWORD error = obex::SerialLinkTransport::Open(*backend, address, serviceClass, channel, &transport))
        return HRESULT_FROM_WIN32(error);
    *device = CreateObexDevice(std::move(transport), ResponseTimeout(*properties));
    return *device ? S_OK : E_FAIL;
}

}  // namespace platform
