#include "bluez/agent/agent.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <memory>
#include <optional>

#include "platform/kernel/sync.h"

namespace bluez {
namespace {

constexpr DWORD kDefaultRequestTimeoutMs = 30000;
constexpr DWORD kMaxRequestTimeoutMs = 120000;

constexpr const char* kAgentXml =
    "<node><interface name='org.bluez.Agent1'>"
    "<method name='Release'/>"
    "<method name='RequestPinCode'><arg type='o' direction='in'/><arg type='s' direction='out'/></method>"
    "<method name='DisplayPinCode'><arg type='o' direction='in'/><arg type='s' direction='in'/></method>"
    "<method name='RequestPasskey'><arg type='o' direction='in'/><arg type='u' direction='out'/></method>"
    "<method name='DisplayPasskey'><arg type='o' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='q' direction='in'/></method>"
    "<method name='RequestConfirmation'><arg type='o' direction='in'/><arg type='u' direction='in'/></method>"
    "<method name='RequestAuthorization'><arg type='o' direction='in'/></method>"
    "<method name='AuthorizeService'><arg type='o' direction='in'/><arg type='s' direction='in'/></method>"
    "<method name='Cancel'/>"
    "</interface></node>";

void MethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant* parameters,
                GDBusMethodInvocation* invocation, gpointer agent) {
    static_cast<Agent*>(agent)->HandleCall(method, parameters, invocation);
}

const GDBusInterfaceVTable kVTable = {MethodCall, nullptr, nullptr, {}};

std::string DevicePathOf(GVariant* parameters) {
    if (g_variant_n_children(parameters) == 0) return {};
    GVariant* first = g_variant_get_child_value(parameters, 0);
    std::string path = g_variant_is_of_type(first, G_VARIANT_TYPE_OBJECT_PATH) ? g_variant_get_string(first, nullptr) : "";
    g_variant_unref(first);
    return path;
}

// A PIN of digits only, as a passkey (at most six digits).
bool PinAsPasskey(const std::string& pin, std::uint32_t* passkey) {
    if (pin.empty() || pin.size() > 6 || !std::ranges::all_of(pin, [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    *passkey = static_cast<std::uint32_t>(std::stoul(pin));
    return true;
}

}  // namespace

Agent::Agent(BlueZConnection& connection) : connection_(connection) {
    connection_.OnAttached([this](GDBusConnection* bus) { Attached(bus); });
}

void Agent::Attached(GDBusConnection* bus) {
    if (!registration_) {
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kAgentXml, nullptr);
        registration_ = g_dbus_connection_register_object(bus, kPath, node->interfaces[0], &kVTable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
    }
    CallSpec callSpec;
    callSpec.path = "/org/bluez";
    callSpec.interface = "org.bluez.AgentManager1";
    callSpec.method = "RegisterAgent";
    StartCall(bus, callSpec, g_variant_new("(os)", kPath, "KeyboardDisplay"), [bus](const CallResult& result, GVariant*) {
        if (!result.ok && result.errorName != "org.bluez.Error.AlreadyExists") {
            std::fprintf(stderr, "nimbrel: bluetoothd refused our pairing agent: %s\n", result.Describe().c_str());
            return;
        }
        CallSpec asDefault;
        asDefault.path = "/org/bluez";
        asDefault.interface = "org.bluez.AgentManager1";
        asDefault.method = "RequestDefaultAgent";
        StartCall(bus, asDefault, g_variant_new("(o)", kPath), [](const CallResult& made, GVariant*) {
            if (!made.ok)
                std::fprintf(stderr, "nimbrel: our pairing agent is not bluetoothd's default: %s\n",
                             made.Describe().c_str());
        });
    });
}

void Agent::Close() {
    std::deque<Request> open;
    {
        std::lock_guard lock(mutex_);
        open.swap(open_);
        handler_ = nullptr;
    }
    auto unregister = std::make_shared<std::promise<void>>();
    auto done = unregister->get_future();
    connection_.loop().Post([this, open, unregister] {
        for (const Request& request : open) Refused(request.invocation);
        if (registration_ && connection_.connection())
            g_dbus_connection_unregister_object(connection_.connection(), registration_);
        registration_ = 0;
        unregister->set_value();
    });
    done.wait();
}

void Agent::SetOutgoingPin(const std::string& devicePath, const std::string& pin) {
    std::lock_guard lock(mutex_);
    outgoing_[devicePath] = pin;
}

void Agent::ClearOutgoingPin(const std::string& devicePath) {
    std::lock_guard lock(mutex_);
    outgoing_.erase(devicePath);
}

DWORD Agent::RegisterHandler(HANDLE event, DWORD storeTimeoutMs, DWORD processTimeoutMs) {
    HANDLE signal = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (handler_) return ERROR_ALREADY_ASSIGNED;
        handler_ = event;
        const DWORD total = storeTimeoutMs + processTimeoutMs;
        requestTimeoutMs_ = total == 0 ? kDefaultRequestTimeoutMs : std::min(total, kMaxRequestTimeoutMs);
        if (std::ranges::any_of(open_, [](const Request& r) { return !r.fetched; })) signal = handler_;
    }
    if (signal) SetEvent(signal);
    return ERROR_SUCCESS;
}

void Agent::UnregisterHandler() {
    std::lock_guard lock(mutex_);
    handler_ = nullptr;
}

DWORD Agent::Next(BT_ADDR* address) {
    std::lock_guard lock(mutex_);
    for (Request& request : open_) {
        if (request.fetched) continue;
        request.fetched = true;
        *address = request.address;
        return ERROR_SUCCESS;
    }
    return ERROR_NO_MORE_ITEMS;
}

bool Agent::TakeRequest(BT_ADDR address, Request* request) {
    std::lock_guard lock(mutex_);
    auto it = std::ranges::find_if(open_, [&](const Request& r) { return r.address == address; });
    if (it == open_.end()) return false;
    *request = *it;
    open_.erase(it);
    return true;
}

bool Agent::Kind(BT_ADDR address, bth::PinRequestKind* kind) {
    std::lock_guard lock(mutex_);
    auto it = std::ranges::find_if(open_, [&](const Request& r) { return r.address == address; });
    if (it == open_.end()) return false;
    kind->confirmation = it->asks == Asks::Confirmation;
    kind->passkey = it->passkey;
    return true;
}

bool Agent::Answer(BT_ADDR address, const std::string& pin) {
    Request request;
    if (!TakeRequest(address, &request)) return false;
    std::uint32_t passkey = 0;
    if (request.asks == Asks::Passkey && !PinAsPasskey(pin, &passkey)) {
        connection_.loop().Post([invocation = request.invocation] { Refused(invocation); });
        return true;
    }
    connection_.loop().Post([request, pin, passkey] {
        GVariant* reply = nullptr;
        if (request.asks == Asks::Pin) reply = g_variant_new("(s)", pin.c_str());
        if (request.asks == Asks::Passkey) reply = g_variant_new("(u)", passkey);
        g_dbus_method_invocation_return_value(request.invocation, reply);
    });
    return true;
}

bool Agent::Refuse(BT_ADDR address) {
    Request request;
    if (!TakeRequest(address, &request)) return false;
    connection_.loop().Post([invocation = request.invocation] { Refused(invocation); });
    return true;
}

void Agent::Refused(GDBusMethodInvocation* invocation, const char* error) {
    g_dbus_method_invocation_return_dbus_error(invocation, error, "Refused by the user");
}

void Agent::OpenRequest(Request request) {
    HANDLE signal = nullptr;
    std::uint64_t id = 0;
    DWORD timeoutMs = 0;
    {
        std::lock_guard lock(mutex_);
        if (!handler_ || open_.size() >= kMaxOpen) {
            Refused(request.invocation);
            return;
        }
        id = request.id = nextId_++;
        open_.push_back(request);
        signal = handler_;
        timeoutMs = requestTimeoutMs_;
    }
    SetEvent(signal);
    // Unanswered, the request is refused when its time is up: bluetoothd's own wait ends too.
    connection_.loop().PostDelayed(timeoutMs, [this, id] {
        GDBusMethodInvocation* expired = nullptr;
        {
            std::lock_guard lock(mutex_);
            auto it = std::ranges::find_if(open_, [&](const Request& r) { return r.id == id; });
            if (it == open_.end()) return;
            expired = it->invocation;
            open_.erase(it);
        }
        Refused(expired);
    });
}

void Agent::HandleCall(const char* method, GVariant* parameters, GDBusMethodInvocation* invocation) {
    const std::string_view name(method);
    const std::string devicePath = DevicePathOf(parameters);
    std::optional<std::string> outgoing;
    {
        std::lock_guard lock(mutex_);
        if (auto it = outgoing_.find(devicePath); it != outgoing_.end()) outgoing = it->second;
    }
    BT_ADDR address = 0;
    bool paired = false;
    for (const DeviceInfo& device : connection_.cache().Devices()) {
        if (device.path != devicePath) continue;
        address = device.address;
        paired = device.paired;
    }
    Request request;
    request.address = address;
    request.invocation = invocation;
    if (name == "RequestPinCode") {
        if (outgoing) g_dbus_method_invocation_return_value(invocation, g_variant_new("(s)", outgoing->c_str()));
        else if (address) OpenRequest(request);
        else Refused(invocation);
    } else if (name == "RequestPasskey") {
        std::uint32_t passkey = 0;
        request.asks = Asks::Passkey;
        if (outgoing && PinAsPasskey(*outgoing, &passkey))
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", passkey));
        else if (!outgoing && address) OpenRequest(request);
        else Refused(invocation);
    } else if (name == "RequestConfirmation" || name == "RequestAuthorization") {
        // A pairing the user began with this very device says yes; one the device began is
        // the user's question.
        request.asks = Asks::Confirmation;
        if (name == "RequestConfirmation" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ou)"))) {
            std::uint32_t passkey = 0;
            g_variant_get(parameters, "(&ou)", nullptr, &passkey);
            request.passkey = passkey;
        }
        if (outgoing) g_dbus_method_invocation_return_value(invocation, nullptr);
        else if (address) OpenRequest(request);
        else Refused(invocation);
    } else if (name == "AuthorizeService") {
        if (paired) g_dbus_method_invocation_return_value(invocation, nullptr);
        else Refused(invocation);
    } else if (name == "Cancel") {
        // bluetoothd gave up the request it had open with us: it is withdrawn.
        std::deque<Request> withdrawn;
        {
            std::lock_guard lock(mutex_);
            withdrawn.swap(open_);
        }
        for (const Request& request : withdrawn) Refused(request.invocation, "org.bluez.Error.Canceled");
        g_dbus_method_invocation_return_value(invocation, nullptr);
    } else {
        // Release, DisplayPinCode, DisplayPasskey: nothing to answer.
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }
}

}  // namespace bluez
