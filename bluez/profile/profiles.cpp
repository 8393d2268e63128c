#include "bluez/profile/profiles.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <utility>

namespace bluez {
namespace {

// ConnectProfile pages the device, finds its channel over SDP and opens RFCOMM.
constexpr unsigned kConnectTimeoutMs = 30000;
// The socket comes in NewConnection, before ConnectProfile's answer; this is slack only.
constexpr auto kSocketWait = std::chrono::seconds(5);
// The channel our records show for a service; bluetoothd finds the real one itself.
constexpr std::uint8_t kNominalChannel = 1;

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

}  // namespace

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

private:
    Profiles& profiles_;
    const std::string devicePath_;
    std::unique_ptr<SocketLink> socket_;
};

Profiles::Profiles(BlueZConnection& connection) : connection_(connection) {
    for (const ProfileClass& profile : kClasses) registrations_.push_back({profile.uuid, profile.name, profile.path, 0, {}});
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

void Profiles::Attached(GDBusConnection* bus) {
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kProfileXml, nullptr);
    for (Registration& registration : registrations_) {
        if (!registration.object)
            registration.object = g_dbus_connection_register_object(bus, registration.path.c_str(), node->interfaces[0],
                                                                    &kVTable, this, nullptr, nullptr);
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&options, "{sv}", "Role", g_variant_new_string("client"));
        g_variant_builder_add(&options, "{sv}", "Name", g_variant_new_string(registration.name.c_str()));
        CallSpec spec;
        spec.path = "/org/bluez";
        spec.interface = "org.bluez.ProfileManager1";
        spec.method = "RegisterProfile";
        const std::string path = registration.path;
        StartCall(bus, spec,
                  g_variant_new("(osa{sv})", registration.path.c_str(), registration.uuid.c_str(), &options),
                  [this, path](const CallResult& result, GVariant*) {
                      std::lock_guard lock(mutex_);
                      Registration* made = ByPath(path);
                      if (!made) return;
                      made->problem.clear();
                      if (result.ok || result.errorName == "org.bluez.Error.AlreadyExists") return;
                      if (result.errorName == "org.bluez.Error.NotPermitted")
                          made->problem = "another program holds the profile " + made->uuid +
                                          " in bluetoothd (obexd does, for Object Push and File Transfer): stop it "
                                          "(systemctl --user stop obex) and start Nimbrel again";
                      else
                          made->problem = "bluetoothd refused the profile " + made->uuid + ": " + result.Describe();
                  });
    }
    g_dbus_node_info_unref(node);
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
    CallSpec spec;
    spec.path = devicePath;
    spec.interface = "org.bluez.Device1";
    spec.method = "ConnectProfile";
    spec.timeoutMs = kConnectTimeoutMs;
    const CallResult result = connection_.Call(spec, [uuid] { return g_variant_new("(s)", uuid.c_str()); });
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
        }
        changed_.notify_all();
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
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

}  // namespace bluez
