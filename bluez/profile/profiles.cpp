#include "bluez/profile/profiles.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <utility>

#include "platform/bluetooth/bt_address.h"

namespace bluez {
namespace {

// ConnectProfile pages the device, finds its channel over SDP and opens RFCOMM.
constexpr unsigned kConnectTimeoutMs = 30000;
// The socket comes in NewConnection, before ConnectProfile's answer; this is slack only.
constexpr auto kSocketWait = std::chrono::seconds(5);
// The channel our records show for a service; bluetoothd finds the real one itself.
constexpr std::uint8_t kNominalChannel = 1;
// Our serial-port server's channel; 1 is left to what remote devices try first for their own.
constexpr std::uint8_t kServerChannel = 2;
// Our OBEX servers' channels, where obexd puts its own.
constexpr std::uint8_t kObjectPushChannel = 9;
constexpr std::uint8_t kFileTransferChannel = 10;

constexpr const char* kProfileXml =
    "<node><interface name='org.bluez.Profile1'>"
    "<method name='Release'/>"
    "<method name='NewConnection'><arg type='o' direction='in'/><arg type='h' direction='in'/>"
    "<arg type='a{sv}' direction='in'/></method>"
    "<method name='RequestDisconnection'><arg type='o' direction='in'/></method>"
    "</interface></node>";

struct ProfileClass {
    sdp::Uuid serviceClass;
    const char* uuid;
    const char* name;
    const char* path;
};

const ProfileClass kClasses[] = {
    {sdp::uuids::kSerialPort, "00001101-0000-1000-8000-00805f9b34fb", "Nimbrel Serial Port", "/org/nimbrel/profile/spp"},
    {sdp::uuids::kDialupNetworking, "00001103-0000-1000-8000-00805f9b34fb", "Nimbrel Dial-up Networking",
     "/org/nimbrel/profile/dun"},
    {sdp::uuids::kObexObjectPush, "00001105-0000-1000-8000-00805f9b34fb", "Nimbrel Object Push", "/org/nimbrel/profile/opp"},
    {sdp::uuids::kObexFileTransfer, "00001106-0000-1000-8000-00805f9b34fb", "Nimbrel File Transfer",
     "/org/nimbrel/profile/ftp"},
};

void MethodCall(GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar* method,
                GVariant* parameters, GDBusMethodInvocation* invocation, gpointer profiles) {
    static_cast<Profiles*>(profiles)->HandleCall(path, method, parameters, invocation);
}

const GDBusInterfaceVTable kVTable = {MethodCall, nullptr, nullptr, {}};

DWORD ConnectFailure(const CallResult& result) {
    const std::string& name = result.errorName;
    const std::string& message = result.errorMessage;
    if (result.timedOut || message.find("page-timeout") != std::string::npos ||
        message.find("Page Timeout") != std::string::npos || message.find("Host is down") != std::string::npos)
        return ERROR_TIMEOUT;
    if (name == "org.bluez.Error.NotReady") return ERROR_NOT_READY;
    if (name == "org.bluez.Error.InProgress" || name == "org.bluez.Error.AlreadyConnected") return ERROR_BUSY;
    if (name == "org.bluez.Error.NotAvailable" || name == "org.bluez.Error.DoesNotExist" ||
        name == "org.freedesktop.DBus.Error.UnknownObject" || message.find("profile-unavailable") != std::string::npos)
        return ERROR_NOT_FOUND;
    return ERROR_GEN_FAILURE;
}

// "/org/bluez/hci0/dev_00_12_AB_34_CD_56" -> 0x0012AB34CD56; 0 for another path.
BT_ADDR AddressOfPath(const std::string& path) {
    const auto at = path.rfind("/dev_");
    if (at == std::string::npos) return 0;
    std::string text = path.substr(at + 5);
    std::replace(text.begin(), text.end(), '_', ':');
    BT_ADDR address = 0;
    return bth::ParseAddress(text, &address) ? address : 0;
}

const char* kNotPermitted = "org.bluez.Error.NotPermitted";

std::string HolderProblem(const std::string& uuid) {
    return "another program holds the profile " + uuid +
           " in bluetoothd (obexd does, for Object Push and File Transfer): stop it "
           "(systemctl --user stop obex) and start Nimbrel again";
}

}  // namespace

// Our OBEX server listening: going, it waits for a hand-over in progress, then gives the
// profile back for connections out only.
class ObexListening final : public bth::Listening {
public:
    ObexListening(Profiles& profiles, std::string path, std::uint8_t channel)
        : profiles_(profiles), path_(std::move(path)), channel_(channel) {}
    ~ObexListening() override { profiles_.StopListening(path_); }
    std::uint8_t Channel() const override { return channel_; }

private:
    Profiles& profiles_;
    const std::string path_;
    const std::uint8_t channel_;
};

// The link the engine holds: it leaves the table of live links before its socket closes.
class ProfileLink final : public bth::SerialLink {
public:
    ProfileLink(Profiles& profiles, std::string devicePath, int fd, bth::SerialSink* sink)
        : profiles_(profiles), devicePath_(std::move(devicePath)),
          socket_(std::make_unique<SocketLink>(fd, kNominalChannel, sink)) {
        std::lock_guard lock(profiles_.mutex_);
        profiles_.links_.emplace(devicePath_, socket_.get());
    }
    ~ProfileLink() override {
        {
            std::lock_guard lock(profiles_.mutex_);
            for (auto it = profiles_.links_.begin(); it != profiles_.links_.end(); ++it) {
                if (it->second != socket_.get()) continue;
                profiles_.links_.erase(it);
                break;
            }
        }
        socket_.reset();
    }
    DWORD Send(const std::uint8_t* data, std::size_t size) override { return socket_->Send(data, size); }
    std::uint8_t Channel() const override { return socket_->Channel(); }
    platform::UniqueFd TakeStream() override { return socket_->TakeStream(); }

private:
    Profiles& profiles_;
    const std::string devicePath_;
    std::unique_ptr<SocketLink> socket_;
};

Profiles::Profiles(BlueZConnection& connection) : connection_(connection) {
    for (const ProfileClass& profile : kClasses)
        registrations_.push_back({profile.uuid, profile.name, profile.path, 0, {}, 0, {}, nullptr});
    connection_.OnAttached([this](GDBusConnection* bus) { Attached(bus); });
}

std::string Profiles::ProfileUuid(const sdp::Uuid& serviceClass) {
    for (const ProfileClass& profile : kClasses)
        if (profile.serviceClass == serviceClass) return profile.uuid;
    return {};
}

Profiles::Registration* Profiles::ByPath(const std::string& path) {
    for (Registration& registration : registrations_)
        if (registration.path == path) return &registration;
    return nullptr;
}

void Profiles::Register(GDBusConnection* bus, const Registration& registration,
                        std::function<void(const CallResult&)> done) {
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    // Without a role bluetoothd takes both: connections out, and a server on the channel.
    if (!registration.serverChannel) g_variant_builder_add(&options, "{sv}", "Role", g_variant_new_string("client"));
    else g_variant_builder_add(&options, "{sv}", "Channel", g_variant_new_uint16(registration.serverChannel));
    if (registration.serverChannel && !registration.serverRecord.empty())
        g_variant_builder_add(&options, "{sv}", "ServiceRecord", g_variant_new_string(registration.serverRecord.c_str()));
    g_variant_builder_add(&options, "{sv}", "Name", g_variant_new_string(registration.name.c_str()));
    g_variant_builder_add(&options, "{sv}", "AutoConnect", g_variant_new_boolean(FALSE));
    CallSpec callSpec;
    callSpec.path = "/org/bluez";
    callSpec.interface = "org.bluez.ProfileManager1";
    callSpec.method = "RegisterProfile";
    StartCall(bus, callSpec, g_variant_new("(osa{sv})", registration.path.c_str(), registration.uuid.c_str(), &options),
              [done = std::move(done)](const CallResult& result, GVariant*) { done(result); });
}

void Profiles::Attached(GDBusConnection* bus) {
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kProfileXml, nullptr);
    std::vector<Registration> registrations;
    {
        std::lock_guard lock(mutex_);
        for (Registration& registration : registrations_) {
            if (!registration.object)
                registration.object = g_dbus_connection_register_object(
                    bus, registration.path.c_str(), node->interfaces[0], &kVTable, this, nullptr, nullptr);
        }
        registrations = registrations_;
    }
    g_dbus_node_info_unref(node);
    for (const Registration& registration : registrations) {
        const std::string path = registration.path;
        Register(bus, registration, [this, path](const CallResult& result) {
            std::lock_guard lock(mutex_);
            Registration* made = ByPath(path);
            if (!made) return;
            made->problem.clear();
            if (result.ok || result.errorName == "org.bluez.Error.AlreadyExists") return;
            if (result.errorName == kNotPermitted)
                made->problem = HolderProblem(made->uuid);
            else
                made->problem = "bluetoothd refused the profile " + made->uuid + ": " + result.Describe();
        });
    }
}

CallResult Profiles::Reregister(const std::string& path) {
    CallSpec unregister;
    unregister.path = "/org/bluez";
    unregister.interface = "org.bluez.ProfileManager1";
    unregister.method = "UnregisterProfile";
    connection_.Call(unregister, [path] { return g_variant_new("(o)", path.c_str()); });
    auto outcome = std::make_shared<std::promise<CallResult>>();
    auto registered = outcome->get_future();
    connection_.loop().Post([this, path, outcome] {
        std::optional<Registration> registration;
        {
            std::lock_guard lock(mutex_);
            if (Registration* now = ByPath(path)) registration = *now;
        }
        GDBusConnection* bus = connection_.connection();
        if (!registration || !bus) {
            CallResult none;
            none.errorName = "org.freedesktop.DBus.Error.Disconnected";
            outcome->set_value(none);
            return;
        }
        Register(bus, *registration, [outcome](const CallResult& result) { outcome->set_value(result); });
    });
    // The call's own time-out ends it; the slack covers a loop that is stopping.
    if (registered.wait_for(std::chrono::seconds(7)) != std::future_status::ready) {
        CallResult late;
        late.timedOut = true;
        late.errorName = "org.freedesktop.DBus.Error.NoReply";
        return late;
    }
    return registered.get();
}

DWORD Profiles::Listen(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) {
    const std::string path = kClasses[0].path;
    std::unique_ptr<bth::SerialLink> made;
    {
        std::lock_guard lock(mutex_);
        Registration* serial = ByPath(path);
        if (serial->server) return ERROR_NO_MORE_ITEMS;
        auto* server = new ServerLink(kServerChannel, sink, [this] { CloseServer(); });
        made.reset(server);
        serial->server = server;
        serial->serverChannel = kServerChannel;
    }
    const CallResult result = Reregister(path);
    if (!result.ok) {
        std::fprintf(stderr, "nimbrel: bluetoothd refused our serial-port server on channel %u: %s\n", kServerChannel,
                     result.Describe().c_str());
        return result.timedOut ? ERROR_TIMEOUT : ERROR_GEN_FAILURE;  // `made` takes the server back
    }
    *link = std::move(made);
    return ERROR_SUCCESS;
}

DWORD Profiles::ListenObex(const sdp::Uuid& serviceClass, bth::IncomingLinks* listener,
                           std::unique_ptr<bth::Listening>* listening, std::string* holder) {
    const bool push = serviceClass == sdp::uuids::kObexObjectPush;
    if (!listener || !listening || (!push && serviceClass != sdp::uuids::kObexFileTransfer)) return ERROR_INVALID_PARAMETER;
    const std::string path = kClasses[push ? 2 : 3].path;
    const std::uint8_t channel = push ? kObjectPushChannel : kFileTransferChannel;
    {
        std::lock_guard lock(mutex_);
        Registration* profile = ByPath(path);
        if (profile->obexListener) return ERROR_NO_MORE_ITEMS;
        if (!profile->problem.empty()) {
            if (holder) *holder = profile->problem;
            return ERROR_ALREADY_ASSIGNED;
        }
        profile->obexListener = listener;
        profile->serverChannel = channel;
    }
    const CallResult result = Reregister(path);
    if (!result.ok) {
        {
            std::lock_guard lock(mutex_);
            Registration* profile = ByPath(path);
            profile->obexListener = nullptr;
            profile->serverChannel = 0;
            if (holder) *holder = result.errorName == kNotPermitted ? HolderProblem(profile->uuid)
                                                                    : "bluetoothd refused the server: " + result.Describe();
        }
        Reregister(path);
        return result.errorName == kNotPermitted ? ERROR_ALREADY_ASSIGNED
                                                  : result.timedOut ? ERROR_TIMEOUT : ERROR_GEN_FAILURE;
    }
    *listening = std::make_unique<ObexListening>(*this, path, channel);
    return ERROR_SUCCESS;
}

void Profiles::StopListening(const std::string& path) {
    {
        std::lock_guard handingOver(handOverMutex_);
        std::lock_guard lock(mutex_);
        Registration* profile = ByPath(path);
        profile->obexListener = nullptr;
        profile->serverChannel = 0;
    }
    Reregister(path);  // for connections out only
}

bool Profiles::HandOver(const std::string& path, const std::string& devicePath, int fd) {
    std::lock_guard handingOver(handOverMutex_);
    bth::IncomingLinks* listener = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (const Registration* profile = ByPath(path)) listener = profile->obexListener;
    }
    if (!listener) return false;
    bool opened = false;
    listener->Connected(AddressOfPath(devicePath), [&](bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) {
        if (opened || !sink || !link) return static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        *link = std::make_unique<ProfileLink>(*this, devicePath, fd, sink);
        opened = true;
        return static_cast<DWORD>(ERROR_SUCCESS);
    });
    return opened;
}

std::uint8_t Profiles::ServerChannel() {
    std::lock_guard lock(mutex_);
    return ByPath(kClasses[0].path)->serverChannel;
}

DWORD Profiles::SetServerRecord(const std::string& xml) {
    const std::string path = kClasses[0].path;
    {
        std::lock_guard lock(mutex_);
        Registration* serial = ByPath(path);
        if (!serial->server) return ERROR_NOT_FOUND;
        serial->serverRecord = xml;
    }
    const CallResult result = Reregister(path);
    if (result.ok) return ERROR_SUCCESS;
    std::fprintf(stderr, "nimbrel: bluetoothd refused our serial-port server's record: %s\n", result.Describe().c_str());
    return result.timedOut ? ERROR_TIMEOUT : ERROR_INVALID_DATA;
}

void Profiles::CloseServer() {
    const std::string path = kClasses[0].path;
    {
        std::lock_guard lock(mutex_);
        Registration* serial = ByPath(path);
        serial->server = nullptr;
        serial->serverChannel = 0;
        serial->serverRecord.clear();
    }
    Reregister(path);  // for connections out only
}

void Profiles::Close() {
    auto closed = std::make_shared<std::promise<void>>();
    auto done = closed->get_future();
    connection_.loop().Post([this, closed] {
        for (Registration& registration : registrations_) {
            if (registration.object && connection_.connection())
                g_dbus_connection_unregister_object(connection_.connection(), registration.object);
            registration.object = 0;
        }
        closed->set_value();
    });
    done.wait();
    std::lock_guard lock(mutex_);
    for (auto& waiter : waiters_)
        if (waiter->fd >= 0) close(std::exchange(waiter->fd, -1));
    waiters_.clear();
    changed_.notify_all();
}

DWORD Profiles::Connect(const std::string& devicePath, const sdp::Uuid& serviceClass, bth::SerialSink* sink,
                        std::unique_ptr<bth::SerialLink>* link) {
    const std::string uuid = ProfileUuid(serviceClass);
    if (uuid.empty()) return ERROR_NOT_FOUND;
    auto waiter = std::make_shared<Waiter>();
    waiter->uuid = uuid;
    waiter->devicePath = devicePath;
    {
        std::lock_guard lock(mutex_);
        for (const Registration& registration : registrations_) {
            if (registration.uuid != uuid || registration.problem.empty()) continue;
            std::fprintf(stderr, "nimbrel: %s\n", registration.problem.c_str());
            return ERROR_ACCESS_DENIED;
        }
        waiters_.push_back(waiter);
    }
    CallSpec callSpec;
    callSpec.path = devicePath;
    callSpec.interface = "org.bluez.Device1";
    callSpec.method = "ConnectProfile";
    callSpec.timeoutMs = kConnectTimeoutMs;
    const CallResult result = connection_.Call(callSpec, [uuid] { return g_variant_new("(s)", uuid.c_str()); });
    std::unique_lock lock(mutex_);
    if (result.ok) changed_.wait_for(lock, kSocketWait, [&] { return waiter->fd >= 0; });
    std::erase(waiters_, waiter);
    const int fd = std::exchange(waiter->fd, -1);
    lock.unlock();
    if (!result.ok) {
        if (fd >= 0) close(fd);
        std::fprintf(stderr, "nimbrel: connecting %s to %s failed: %s\n", uuid.c_str(), devicePath.c_str(),
                     result.Describe().c_str());
        return ConnectFailure(result);
    }
    if (fd < 0) return ERROR_GEN_FAILURE;  // bluetoothd said yes but handed us no socket
    *link = std::make_unique<ProfileLink>(*this, devicePath, fd, sink);
    return ERROR_SUCCESS;
}

void Profiles::HandleCall(const std::string& profilePath, const char* method, GVariant* parameters,
                          GDBusMethodInvocation* invocation) {
    const std::string_view name(method);
    if (name == "NewConnection" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(oha{sv})"))) {
        const gchar* device = nullptr;
        gint32 index = -1;
        g_variant_get(parameters, "(&oh@a{sv})", &device, &index, nullptr);
        GUnixFDList* fds = g_dbus_message_get_unix_fd_list(g_dbus_method_invocation_get_message(invocation));
        const int fd = fds && index >= 0 && index < g_unix_fd_list_get_length(fds)
                           ? g_unix_fd_list_get(fds, index, nullptr)
                           : -1;
        bool taken = false;
        {
            std::lock_guard lock(mutex_);
            const Registration* registration = ByPath(profilePath);
            for (auto& waiter : waiters_) {
                if (!registration || fd < 0 || waiter->uuid != registration->uuid || waiter->devicePath != device ||
                    waiter->fd >= 0)
                    continue;
                waiter->fd = fd;
                taken = true;
                break;
            }
            // Not one of ours going out: a remote device connecting to our server.
            if (!taken && registration && registration->server && fd >= 0) taken = registration->server->Attach(fd);
        }
        changed_.notify_all();
        if (!taken && fd >= 0) taken = HandOver(profilePath, device, fd);
        if (taken) {
            g_dbus_method_invocation_return_value(invocation, nullptr);
        } else {
            // Nobody of ours asked for this connection.
            if (fd >= 0) close(fd);
            g_dbus_method_invocation_return_dbus_error(invocation, "org.bluez.Error.Rejected",
                                                       "No connection was asked for");
        }
        return;
    }
    if (name == "RequestDisconnection" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(o)"))) {
        const gchar* device = nullptr;
        g_variant_get(parameters, "(&o)", &device);
        std::lock_guard lock(mutex_);
        auto [first, last] = links_.equal_range(device);
        for (auto it = first; it != last; ++it) it->second->HangUp();
        if (const Registration* registration = ByPath(profilePath); registration && registration->server)
            registration->server->HangUp();
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

}  // namespace bluez
