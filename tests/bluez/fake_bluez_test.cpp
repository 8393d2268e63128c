// The fake bluetoothd as a client meets it through plain GDBus: the object tree, the errors,
// the calls back into the client's agent and profile, and a call the fake never answers.
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "support/fake_bluez.h"

namespace {

using testsupport::FakeBlueZ;
using testsupport::FakeDevice;

constexpr const char* kSerialPort = "00001101-0000-1000-8000-00805f9b34fb";
constexpr const char* kObjectPush = "00001105-0000-1000-8000-00805f9b34fb";
constexpr const char* kPhone = "AA:BB:CC:DD:EE:01";
constexpr const char* kFarAway = "AA:BB:CC:DD:EE:02";
constexpr const char* kBonded = "AA:BB:CC:DD:EE:03";

struct Outcome {
    bool ok = false;
    bool timedOut = false;
    std::string error;    // the D-Bus error name
    std::string message;  // without the name
};

// A client on the bus the fake runs on, as the backend is: a connection of its own, and the
// objects it exports served on a main context turning in a thread of its own.
class Client {
public:
    using Handler = std::function<void(const char* method, GVariant* parameters, GDBusMethodInvocation*)>;

    Client() : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
        GError* error = nullptr;
        connection_ = g_dbus_connection_new_for_address_sync(
            std::getenv("DBUS_SYSTEM_BUS_ADDRESS"),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (!connection_) {
            ADD_FAILURE() << "no client connection: " << error->message;
            g_error_free(error);
        }
        thread_ = std::thread([this] {
            g_main_context_push_thread_default(context_);
            g_main_loop_run(loop_);
            g_main_context_pop_thread_default(context_);
        });
    }

    ~Client() {
        for (guint id : registrations_) g_dbus_connection_unregister_object(connection_, id);
        // Quitting from inside the loop: a quit before it runs would be lost.
        GSource* quit = g_idle_source_new();
        g_source_set_callback(quit, [](gpointer loop) { g_main_loop_quit(static_cast<GMainLoop*>(loop)); return G_SOURCE_REMOVE; },
                              loop_, nullptr);
        g_source_attach(quit, context_);
        g_source_unref(quit);
        thread_.join();
        if (connection_) {
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
        g_main_loop_unref(loop_);
        g_main_context_unref(context_);
    }

    // Exports `interface` (introspection XML of one interface) at `path`; calls go to `handler`.
    void Export(const std::string& path, const std::string& xml, Handler handler) {
        handlers_.push_back(std::make_unique<Handler>(std::move(handler)));
        GError* error = nullptr;
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(("<node>" + xml + "</node>").c_str(), &error);
        ASSERT_NE(node, nullptr) << error->message;
        static const GDBusInterfaceVTable vtable = {
            [](GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant* parameters,
               GDBusMethodInvocation* invocation, gpointer handler) {
                (*static_cast<Handler*>(handler))(method, parameters, invocation);
            },
            nullptr, nullptr, {}};
        guint id = 0;
        // Registered from the loop's thread, whose context then serves its calls.
        RunInside([&] {
            id = g_dbus_connection_register_object(connection_, path.c_str(), node->interfaces[0], &vtable,
                                                   handlers_.back().get(), nullptr, &error);
        });
        g_dbus_node_info_unref(node);
        ASSERT_NE(id, 0u) << error->message;
        registrations_.push_back(id);
    }

    Outcome Call(const std::string& path, const char* interface, const char* method, GVariant* parameters = nullptr,
                 int timeoutMs = 5000, GVariant** reply = nullptr) {
        GError* error = nullptr;
        GVariant* result = g_dbus_connection_call_sync(connection_, "org.bluez", path.c_str(), interface, method,
                                                       parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, timeoutMs,
                                                       nullptr, &error);
        Outcome outcome;
        if (result) {
            outcome.ok = true;
            if (reply) *reply = result;
            else g_variant_unref(result);
            return outcome;
        }
        outcome.timedOut = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT);
        if (gchar* name = g_dbus_error_get_remote_error(error)) {
            outcome.error = name;
            g_free(name);
        }
        g_dbus_error_strip_remote_error(error);
        outcome.message = error->message;
        g_error_free(error);
        return outcome;
    }

private:
    // Runs `work` on the loop's thread and waits for it.
    void RunInside(std::function<void()> work) {
        struct Job {
            std::function<void()> work;
            std::promise<void> done;
        } job{std::move(work), {}};
        std::future<void> done = job.done.get_future();
        g_main_context_invoke(context_, [](gpointer data) {
            Job* j = static_cast<Job*>(data);
            j->work();
            j->done.set_value();
            return G_SOURCE_REMOVE;
        }, &job);
        done.wait();
    }

    GMainContext* context_;
    GMainLoop* loop_;
    GDBusConnection* connection_ = nullptr;
    std::vector<std::unique_ptr<Handler>> handlers_;
    std::vector<guint> registrations_;
    std::thread thread_;
};

// The sockets NewConnection brought, as they come in.
class SocketInbox {
public:
    void Put(int fd) {
        std::lock_guard<std::mutex> hold(lock_);
        fds_.push_back(fd);
        arrived_.notify_all();
    }
    int Take(std::chrono::milliseconds bound = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> hold(lock_);
        if (!arrived_.wait_for(hold, bound, [this] { return !fds_.empty(); })) return -1;
        const int fd = fds_.front();
        fds_.pop_front();
        return fd;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<int> fds_;
};

const char* const kAgentXml =
    "<interface name='org.bluez.Agent1'>"
    "<method name='RequestPinCode'><arg type='o' direction='in'/><arg type='s' direction='out'/></method>"
    "<method name='Cancel'/></interface>";
const char* const kProfileXml =
    "<interface name='org.bluez.Profile1'>"
    "<method name='NewConnection'><arg type='o' direction='in'/><arg type='h' direction='in'/>"
    "<arg type='a{sv}' direction='in'/></method></interface>";

// A Profile1 object at `path` that keeps every socket it is handed.
void ExportProfile(Client& client, const std::string& path, SocketInbox& inbox) {
    client.Export(path, kProfileXml, [&inbox](const char*, GVariant* parameters, GDBusMethodInvocation* invocation) {
        gint32 index = -1;
        g_variant_get(parameters, "(&oh@a{sv})", nullptr, &index, nullptr);
        GUnixFDList* fds = g_dbus_message_get_unix_fd_list(g_dbus_method_invocation_get_message(invocation));
        inbox.Put(fds ? g_unix_fd_list_get(fds, index, nullptr) : -1);
        g_dbus_method_invocation_return_value(invocation, nullptr);
    });
}

GVariant* ProfileOptions(const char* role) {
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&options, "{sv}", "Role", g_variant_new_string(role));
    return g_variant_builder_end(&options);
}

// What the peer sends back within `bound`: empty at its end of stream or on silence.
std::string Receive(int fd, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    pollfd wait{fd, POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(bound.count())) != 1) return "(silence)";
    char buffer[256];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    return count > 0 ? std::string(buffer, static_cast<std::size_t>(count)) : std::string();
}

bool Echoes(int fd, const std::string& text) {
    return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && Receive(fd) == text;
}

TEST(FakeBlueZ, DiscoveryPublishesTheDevicesInRangeAndAnswersWithBlueZsErrors) {
    FakeBlueZ fake;
    ASSERT_TRUE(fake.Start());
    ASSERT_TRUE(fake.AddDevice(kPhone, FakeDevice{.name = "Phone", .deviceClass = 0x5a020c}));
    ASSERT_TRUE(fake.AddDevice(kFarAway, FakeDevice{.inRange = false}));
    ASSERT_TRUE(fake.AddDevice(kBonded, FakeDevice{.name = "Headset", .paired = true}));
    EXPECT_TRUE(fake.DeviceExists(kBonded)) << "bonded devices are listed from the start";
    EXPECT_FALSE(fake.DeviceExists(kPhone));

    Client client;
    const std::string adapter = FakeBlueZ::AdapterPath();
    ASSERT_TRUE(client.Call(adapter, "org.bluez.Adapter1", "StartDiscovery").ok);
    EXPECT_EQ(fake.AdapterProperty<bool>("Discovering"), true);
    EXPECT_EQ(fake.DeviceProperty<std::string>(kPhone, "Name"), "Phone");
    EXPECT_EQ(fake.DeviceProperty<std::uint32_t>(kPhone, "Class"), 0x5a020cu);
    EXPECT_TRUE(fake.DeviceProperty<std::int16_t>(kPhone, "RSSI").has_value());
    EXPECT_FALSE(fake.DeviceExists(kFarAway));
    EXPECT_EQ(client.Call(adapter, "org.bluez.Adapter1", "StartDiscovery").error, "org.bluez.Error.InProgress");

    ASSERT_TRUE(client.Call(adapter, "org.bluez.Adapter1", "StopDiscovery").ok);
    const Outcome again = client.Call(adapter, "org.bluez.Adapter1", "StopDiscovery");
    EXPECT_EQ(again.error, "org.bluez.Error.Failed");
    EXPECT_EQ(again.message, "No discovery started");

    ASSERT_TRUE(fake.SetAdapterProperty("Powered", false));
    EXPECT_EQ(fake.AdapterProperty<bool>("Powered"), false);
    EXPECT_EQ(client.Call(adapter, "org.bluez.Adapter1", "StartDiscovery").error, "org.bluez.Error.NotReady");
    const Outcome removed = client.Call(adapter, "org.bluez.Adapter1", "RemoveDevice",
                                        g_variant_new("(o)", FakeBlueZ::DevicePath(kBonded).c_str()));
    EXPECT_TRUE(removed.ok) << removed.message;
    EXPECT_FALSE(fake.DeviceExists(kBonded));
}

TEST(FakeBlueZ, PairingAsksTheClientsAgentAndTheBondOutlivesARestart) {
    FakeBlueZ fake;
    ASSERT_TRUE(fake.Start());
    ASSERT_TRUE(fake.AddDevice(kPhone, FakeDevice{.pin = "1234"}));
    ASSERT_TRUE(fake.AddDevice(kFarAway, FakeDevice{.pin = "9999"}));
    Client client;
    ASSERT_TRUE(client.Call(FakeBlueZ::AdapterPath(), "org.bluez.Adapter1", "StartDiscovery").ok);
    const std::string phone = FakeBlueZ::DevicePath(kPhone);
    EXPECT_EQ(client.Call(phone, "org.bluez.Device1", "Pair").error, "org.bluez.Error.AuthenticationFailed")
        << "without an agent";

    std::mutex lock;
    std::string asked;  // the device the agent was asked about
    client.Export("/test/agent", kAgentXml, [&](const char* method, GVariant* parameters, GDBusMethodInvocation* call) {
        if (std::string(method) == "RequestPinCode") {
            const char* device = nullptr;
            g_variant_get(parameters, "(&o)", &device);
            std::lock_guard<std::mutex> hold(lock);
            asked = device;
            g_dbus_method_invocation_return_value(call, g_variant_new("(s)", "1234"));
        } else {
            g_dbus_method_invocation_return_value(call, nullptr);
        }
    });
    ASSERT_TRUE(client.Call("/org/bluez", "org.bluez.AgentManager1", "RegisterAgent",
                            g_variant_new("(os)", "/test/agent", "KeyboardDisplay")).ok);
    ASSERT_TRUE(client.Call("/org/bluez", "org.bluez.AgentManager1", "RequestDefaultAgent",
                            g_variant_new("(o)", "/test/agent")).ok);

    const Outcome paired = client.Call(phone, "org.bluez.Device1", "Pair", nullptr, 10000);
    EXPECT_TRUE(paired.ok) << paired.error << " " << paired.message;
    {
        std::lock_guard<std::mutex> hold(lock);
        EXPECT_EQ(asked, phone);
    }
    EXPECT_EQ(fake.DeviceProperty<bool>(kPhone, "Paired"), true);
    EXPECT_EQ(fake.DeviceProperty<bool>(kPhone, "Bonded"), true);
    EXPECT_EQ(client.Call(phone, "org.bluez.Device1", "Pair").error, "org.bluez.Error.AlreadyExists");
    EXPECT_EQ(client.Call(FakeBlueZ::DevicePath(kFarAway), "org.bluez.Device1", "Pair", nullptr, 10000).error,
              "org.bluez.Error.AuthenticationFailed")
        << "the agent's PIN is not this device's";

    // The device asks: the agent's answer is kept, and a wrong PIN bonds nothing.
    ASSERT_TRUE(fake.RequestPin(kFarAway));
    const auto answer = fake.WaitForAgentAnswer(kFarAway);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->answer, "1234");
    EXPECT_EQ(answer->error, "");
    EXPECT_EQ(fake.DeviceProperty<bool>(kFarAway, "Paired"), false);

    ASSERT_TRUE(fake.RestartBlueZ());
    EXPECT_EQ(fake.DeviceProperty<bool>(kPhone, "Paired"), true);
    EXPECT_FALSE(fake.DeviceExists(kFarAway)) << "only bonded devices are listed at start";
    EXPECT_EQ(client.Call(phone, "org.bluez.Device1", "CancelPairing").error, "org.bluez.Error.DoesNotExist");
}

TEST(FakeBlueZ, AProfileConnectionHandsTheProfileASocketToTheDevicesService) {
    FakeBlueZ fake;
    ASSERT_TRUE(fake.Start());
    ASSERT_TRUE(fake.AddDevice(kPhone, FakeDevice{.uuids = {"1101"}, .paired = true}));
    Client client;
    SocketInbox inbox;
    ExportProfile(client, "/test/serial", inbox);
    ExportProfile(client, "/test/push", inbox);
    const std::string phone = FakeBlueZ::DevicePath(kPhone);
    EXPECT_EQ(client.Call(phone, "org.bluez.Device1", "ConnectProfile", g_variant_new("(s)", kSerialPort)).error,
              "org.bluez.Error.NotAvailable")
        << "no profile registered";
    ASSERT_TRUE(client.Call("/org/bluez", "org.bluez.ProfileManager1", "RegisterProfile",
                            g_variant_new("(os@a{sv})", "/test/serial", kSerialPort, ProfileOptions("client"))).ok);

    const Outcome connected = client.Call(phone, "org.bluez.Device1", "ConnectProfile",
                                          g_variant_new("(s)", kSerialPort), 10000);
    ASSERT_TRUE(connected.ok) << connected.error << " " << connected.message;
    const int serial = inbox.Take();
    ASSERT_GE(serial, 0);
    EXPECT_EQ(fake.DeviceProperty<bool>(kPhone, "Connected"), true);
    EXPECT_TRUE(Echoes(serial, "AT\r"));

    ASSERT_TRUE(fake.Leave(kPhone));
    EXPECT_EQ(Receive(serial), "") << "a lost link reads as the end of the stream";
    ::close(serial);
    EXPECT_EQ(fake.DeviceProperty<bool>(kPhone, "Connected"), false);
    const Outcome away = client.Call(phone, "org.bluez.Device1", "ConnectProfile", g_variant_new("(s)", kSerialPort));
    EXPECT_EQ(away.error, "org.bluez.Error.Failed");
    EXPECT_EQ(away.message, "br-connection-page-timeout");

    // The device connects to a server profile of ours.
    ASSERT_TRUE(fake.Return(kPhone));
    EXPECT_EQ(fake.ConnectToUs(kPhone, kObjectPush), "no-server-profile");
    ASSERT_TRUE(client.Call("/org/bluez", "org.bluez.ProfileManager1", "RegisterProfile",
                            g_variant_new("(os@a{sv})", "/test/push", kObjectPush, ProfileOptions("server"))).ok);
    EXPECT_EQ(fake.ConnectToUs(kPhone, kObjectPush), "connected");
    const int push = inbox.Take();
    ASSERT_GE(push, 0);
    EXPECT_TRUE(Echoes(push, "PUT"));
    ::close(push);

    ASSERT_TRUE(fake.SetFault("profile-taken:1106", true));
    const Outcome taken = client.Call("/org/bluez", "org.bluez.ProfileManager1", "RegisterProfile",
                                      g_variant_new("(os@a{sv})", "/test/ftp", "1106", ProfileOptions("client")));
    EXPECT_EQ(taken.error, "org.bluez.Error.NotPermitted");
}

TEST(FakeBlueZ, ASilencedMethodStaysPendingUntilTheClientGivesUpAndIsCounted) {
    FakeBlueZ fake;
    ASSERT_TRUE(fake.Start());
    Client client;
    const auto before = fake.CallCount();
    ASSERT_TRUE(before.has_value());
    ASSERT_TRUE(fake.SetFault("silent:StartDiscovery", true));
    const auto start = std::chrono::steady_clock::now();
    const Outcome pending = client.Call(FakeBlueZ::AdapterPath(), "org.bluez.Adapter1", "StartDiscovery", nullptr, 400);
    EXPECT_TRUE(pending.timedOut) << pending.error << " " << pending.message;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(350));
    EXPECT_EQ(fake.AdapterProperty<bool>("Discovering"), false) << "the fixture's reads are not counted";
    ASSERT_TRUE(client.Call(FakeBlueZ::AdapterPath(), "org.freedesktop.DBus.Properties", "GetAll",
                            g_variant_new("(s)", "org.bluez.Adapter1")).ok);
    EXPECT_EQ(fake.CallCount(), *before + 2);
    const std::vector<std::string> log = fake.CallLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "org.freedesktop.DBus.Properties.GetAll /org/bluez/hci0");

    ASSERT_TRUE(fake.SetFault("no-adapter", true));
    EXPECT_EQ(client.Call(FakeBlueZ::AdapterPath(), "org.bluez.Adapter1", "StopDiscovery").error,
              "org.freedesktop.DBus.Error.UnknownObject");
    ASSERT_TRUE(fake.SetFault("no-adapter", false));
    EXPECT_EQ(fake.AdapterProperty<bool>("Powered"), true);
}

}  // namespace
