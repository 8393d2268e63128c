#include "support/fake_bluez.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>


#ifndef NIMBREL_FAKE_BLUEZ_TEMPLATE
#error "NIMBREL_FAKE_BLUEZ_TEMPLATE must name tests/bluez/fake/fake_bluez.py"
#endif

namespace testsupport {
namespace {

constexpr const char* kBlueZ = "org.bluez";
constexpr const char* kControlPath = "/org/bluez";
constexpr const char* kControl = "org.nimbrel.FakeBlueZ";
constexpr const char* kAddressVariable = "DBUS_SYSTEM_BUS_ADDRESS";
constexpr auto kStartBound = std::chrono::seconds(10);
constexpr auto kRetryPause = std::chrono::milliseconds(20);

// A private bus that lets every local client own any name and talk to anyone, as the
// session bus does, on a socket in the fixture's folder.
std::string BusConfig(const std::filesystem::path& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:path=" + socket.string() + "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

// The full path of `name` on PATH (or in /usr/bin); empty when there is none.
std::string FindProgram(const std::string& name) {
    const char* path = ::getenv("PATH");
    std::string dirs = std::string(path ? path : "") + ":/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::filesystem::path candidate = std::filesystem::path(dirs.substr(start, end - start)) / name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

// Takes a floating reference so that a call that is never made does not leak its arguments.
void Discard(GVariant* value) {
    if (value) g_variant_unref(g_variant_ref_sink(value));
}

GVariant* Strings(const std::vector<std::string>& values) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const std::string& v : values) g_variant_builder_add(&builder, "s", v.c_str());
    return g_variant_builder_end(&builder);
}

GVariant* DeviceOptions(const FakeDevice& d) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&builder, "{sv}", "Name", g_variant_new_string(d.name.c_str()));
    g_variant_builder_add(&builder, "{sv}", "Class", g_variant_new_uint32(d.deviceClass));
    g_variant_builder_add(&builder, "{sv}", "UUIDs", Strings(d.uuids));
    g_variant_builder_add(&builder, "{sv}", "Pin", g_variant_new_string(d.pin.c_str()));
    g_variant_builder_add(&builder, "{sv}", "Endpoint", g_variant_new_string(d.endpoint.c_str()));
    g_variant_builder_add(&builder, "{sv}", "Paired", g_variant_new_boolean(d.paired));
    g_variant_builder_add(&builder, "{sv}", "InRange", g_variant_new_boolean(d.inRange));
    g_variant_builder_add(&builder, "{sv}", "ResolveOnConnect", g_variant_new_boolean(d.resolveOnConnect));
    g_variant_builder_add(&builder, "{sv}", "Ssp", g_variant_new_boolean(d.ssp));
    g_variant_builder_add(&builder, "{sv}", "Passkey", g_variant_new_uint32(d.passkey));
    return g_variant_builder_end(&builder);
}

template <typename T> std::optional<T> FromVariant(GVariant* v);
template <> std::optional<bool> FromVariant(GVariant* v) {
    if (!g_variant_is_of_type(v, G_VARIANT_TYPE_BOOLEAN)) return std::nullopt;
    return g_variant_get_boolean(v) != FALSE;
}
template <> std::optional<std::uint32_t> FromVariant(GVariant* v) {
    if (!g_variant_is_of_type(v, G_VARIANT_TYPE_UINT32)) return std::nullopt;
    return g_variant_get_uint32(v);
}
template <> std::optional<std::int16_t> FromVariant(GVariant* v) {
    if (!g_variant_is_of_type(v, G_VARIANT_TYPE_INT16)) return std::nullopt;
    return g_variant_get_int16(v);
}
template <> std::optional<std::string> FromVariant(GVariant* v) {
    if (!g_variant_is_of_type(v, G_VARIANT_TYPE_STRING) && !g_variant_is_of_type(v, G_VARIANT_TYPE_OBJECT_PATH))
        return std::nullopt;
    return std::string(g_variant_get_string(v, nullptr));
}
template <> std::optional<std::vector<std::string>> FromVariant(GVariant* v) {
    if (!g_variant_is_of_type(v, G_VARIANT_TYPE_STRING_ARRAY)) return std::nullopt;
    std::vector<std::string> values;
    GVariantIter iter;
    g_variant_iter_init(&iter, v);
    const char* item = nullptr;
    while (g_variant_iter_next(&iter, "&s", &item)) values.emplace_back(item);
    return values;
}

GVariant* ToVariant(bool value) { return g_variant_new_boolean(value); }
GVariant* ToVariant(std::uint32_t value) { return g_variant_new_uint32(value); }
GVariant* ToVariant(const std::string& value) { return g_variant_new_string(value.c_str()); }

}  // namespace

FakeBlueZ::FakeBlueZ() = default;

FakeBlueZ::~FakeBlueZ() { Stop(); }

std::string FakeBlueZ::DevicePath(const std::string& address) {
    std::string suffix = address;
    std::replace(suffix.begin(), suffix.end(), ':', '_');
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) { return std::toupper(c); });
    return AdapterPath() + "/dev_" + suffix;
}

bool FakeBlueZ::Start(const FakeBlueZOptions& options) {
    Stop();
    options_ = options;
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-bluez-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        ADD_FAILURE() << "FakeBlueZ: no temporary folder";
        return false;
    }
    dir_ = pattern;
    started_ = true;
    {
        std::ofstream config(dir_ / "bus.conf");
        config << BusConfig(dir_ / "bus");
    }
    const std::string daemon = FindProgram("dbus-daemon");
    if (daemon.empty()) {
        ADD_FAILURE() << "FakeBlueZ: dbus-daemon is not installed";
        return false;
    }
    daemon_ = std::make_unique<BackgroundCommand>(
        daemon, std::vector<std::string>{"--config-file=" + (dir_ / "bus.conf").string(), "--nofork", "--print-address"});
    const std::optional<std::string> address = daemon_->running() ? daemon_->ReadLine(kStartBound) : std::nullopt;
    if (!address || address->empty()) {
        ADD_FAILURE() << "FakeBlueZ: dbus-daemon did not start: " << daemon_->Errors();
        return false;
    }
    busAddress_ = *address;
    GError* error = nullptr;
    connection_ = g_dbus_connection_new_for_address_sync(
        busAddress_.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (!connection_) {
        ADD_FAILURE() << "FakeBlueZ: cannot reach the private bus " << busAddress_ << ": " << error->message;
        g_error_free(error);
        return false;
    }
    if (const char* previous = ::getenv(kAddressVariable)) previousAddress_ = previous;
    ::setenv(kAddressVariable, busAddress_.c_str(), 1);
    return StartFake();
}

bool FakeBlueZ::StartFake() {
    const nlohmann::json parameters = {
        {"Address", options_.address},
        {"Name", options_.name},
        {"Powered", options_.powered},
        {"CallTimeoutMs", options_.callTimeout.count()},
        {"StateFile", (dir_ / "world.json").string()},
    };
    fake_ = std::make_unique<BackgroundCommand>(
        "/usr/bin/python3",
        std::vector<std::string>{"-m", "dbusmock", "--system", "--logfile", (dir_ / "fake.log").string(),
                                 "--parameters", parameters.dump(), "--template", NIMBREL_FAKE_BLUEZ_TEMPLATE},
        std::vector<std::string>{std::string(kAddressVariable) + "=" + busAddress_, "PYTHONDONTWRITEBYTECODE=1"});
    if (!fake_->running() || !WaitForOwner(true, kStartBound)) {
        ADD_FAILURE() << "FakeBlueZ: org.bluez did not appear within 10 s: " << FakeErrors();
        return false;
    }
    // Also marks this connection as the test's own, whose calls the fake does not count.
    return CallCount().has_value();
}

bool FakeBlueZ::StopFake() {
    if (!fake_) return true;
    fake_->Stop();
    fake_.reset();
    return WaitForOwner(false, kStartBound);
}

void FakeBlueZ::Stop() {
    if (!started_) return;
    started_ = false;
    fake_.reset();  // each ends its process
    if (connection_) {
        g_dbus_connection_close_sync(connection_, nullptr, nullptr);
        g_object_unref(connection_);
        connection_ = nullptr;
    }
    daemon_.reset();
    if (previousAddress_) ::setenv(kAddressVariable, previousAddress_->c_str(), 1);
    else ::unsetenv(kAddressVariable);
    previousAddress_.reset();
    busAddress_.clear();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

bool FakeBlueZ::RestartBlueZ() {
    if (!started_ || !StopFake()) {
        ADD_FAILURE() << "FakeBlueZ: the fake is not running, or org.bluez stayed after it ended";
        return false;
    }
    return StartFake();
}

bool FakeBlueZ::WaitForOwner(bool owned, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        GVariant* reply = nullptr;
        const std::string error = Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                       "NameHasOwner", g_variant_new("(s)", kBlueZ), "(b)", &reply, 1000, true);
        if (error.empty()) {
            gboolean has = FALSE;
            g_variant_get(reply, "(b)", &has);
            g_variant_unref(reply);
            if ((has != FALSE) == owned) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kRetryPause);
    }
}

std::string FakeBlueZ::Call(const std::string& destination, const std::string& path, const std::string& interface,
                            const std::string& method, GVariant* parameters, const char* replyType, GVariant** out,
                            int timeoutMs, bool quiet) {
    if (!connection_) {
        Discard(parameters);
        if (!quiet) ADD_FAILURE() << "FakeBlueZ: " << method << " before Start";
        return "not started";
    }
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, destination.c_str(), path.c_str(), interface.c_str(), method.c_str(), parameters,
        replyType ? G_VARIANT_TYPE(replyType) : nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr, &error);
    if (!reply) {
        std::string message = error->message;
        g_error_free(error);
        if (!quiet) ADD_FAILURE() << "FakeBlueZ: " << interface << "." << method << " on " << path << ": " << message;
        return message.empty() ? "failed" : message;
    }
    if (out) *out = reply;
    else g_variant_unref(reply);
    return {};
}

bool FakeBlueZ::Control(const std::string& method, GVariant* parameters, GVariant** out, int timeoutMs) {
    return Call(kBlueZ, kControlPath, kControl, method, parameters, nullptr, out, timeoutMs).empty();
}

bool FakeBlueZ::AddDevice(const std::string& address, const FakeDevice& device) {
    return Control("AddRemoteDevice", g_variant_new("(s@a{sv})", address.c_str(), DeviceOptions(device)));
}

bool FakeBlueZ::Leave(const std::string& address) {
    return Control("Leave", g_variant_new("(s)", address.c_str()));
}

bool FakeBlueZ::Return(const std::string& address) {
    return Control("Return", g_variant_new("(s)", address.c_str()));
}

bool FakeBlueZ::RequestPin(const std::string& address) {
    return Control("RequestPin", g_variant_new("(s)", address.c_str()));
}

std::optional<AgentAnswer> FakeBlueZ::LastAgentAnswer(const std::string& address) {
    GVariant* reply = nullptr;
    if (!Control("LastAgentAnswer", g_variant_new("(s)", address.c_str()), &reply)) return std::nullopt;
    const char* answer = nullptr;
    const char* error = nullptr;
    g_variant_get(reply, "(&s&s)", &answer, &error);
    AgentAnswer result{answer, error};
    g_variant_unref(reply);
    return result;
}

std::optional<AgentAnswer> FakeBlueZ::WaitForAgentAnswer(const std::string& address, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        std::optional<AgentAnswer> answer = LastAgentAnswer(address);
        if (!answer || !answer->answer.empty() || !answer->error.empty()) return answer;
        if (std::chrono::steady_clock::now() >= deadline) {
            ADD_FAILURE() << "FakeBlueZ: the agent did not answer " << address << " within " << bound.count() << " ms";
            return std::nullopt;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

bool FakeBlueZ::CancelRequest(const std::string& address) {
    return Control("CancelRequest", g_variant_new("(s)", address.c_str()));
}

std::string FakeBlueZ::ConnectToUs(const std::string& address, const std::string& uuid,
                                   std::chrono::milliseconds bound) {
    GVariant* reply = nullptr;
    if (!Control("ConnectToUs", g_variant_new("(ss)", address.c_str(), uuid.c_str()), &reply,
                 static_cast<int>(bound.count())))
        return {};
    const char* result = nullptr;
    g_variant_get(reply, "(&s)", &result);
    std::string outcome = result;
    g_variant_unref(reply);
    return outcome;
}

bool FakeBlueZ::SetFault(const std::string& name, bool on) {
    return Control("SetFault", g_variant_new("(sb)", name.c_str(), on));
}

std::optional<unsigned> FakeBlueZ::CallCount() {
    GVariant* reply = nullptr;
    if (!Control("CallCount", nullptr, &reply)) return std::nullopt;
    guint32 count = 0;
    g_variant_get(reply, "(u)", &count);
    g_variant_unref(reply);
    return count;
}

std::vector<std::string> FakeBlueZ::CallLog() {
    GVariant* reply = nullptr;
    if (!Control("CallLog", nullptr, &reply)) return {};
    GVariant* calls = g_variant_get_child_value(reply, 0);
    std::vector<std::string> log = FromVariant<std::vector<std::string>>(calls).value_or(std::vector<std::string>{});
    g_variant_unref(calls);
    g_variant_unref(reply);
    return log;
}

std::string FakeBlueZ::ProfileRecord(const std::string& uuid) {
    GVariant* reply = nullptr;
    if (!Control("ProfileRecord", g_variant_new("(s)", uuid.c_str()), &reply)) return {};
    const gchar* record = nullptr;
    g_variant_get(reply, "(&s)", &record);
    std::string text = record;
    g_variant_unref(reply);
    return text;
}

GVariant* FakeBlueZ::GetProperty(const std::string& path, const std::string& interface, const std::string& name,
                                 bool quiet) {
    GVariant* reply = nullptr;
    if (!Call(kBlueZ, path, "org.freedesktop.DBus.Properties", "Get",
              g_variant_new("(ss)", interface.c_str(), name.c_str()), "(v)", &reply, 5000, quiet)
             .empty())
        return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}

template <typename T> std::optional<T> FakeBlueZ::AdapterProperty(const std::string& name) {
    GVariant* value = GetProperty(AdapterPath(), "org.bluez.Adapter1", name);
    if (!value) return std::nullopt;
    std::optional<T> result = FromVariant<T>(value);
    if (!result) ADD_FAILURE() << "FakeBlueZ: Adapter1." << name << " has type " << g_variant_get_type_string(value);
    g_variant_unref(value);
    return result;
}

template <typename T> std::optional<T> FakeBlueZ::DeviceProperty(const std::string& address, const std::string& name) {
    GVariant* value = GetProperty(DevicePath(address), "org.bluez.Device1", name);
    if (!value) return std::nullopt;
    std::optional<T> result = FromVariant<T>(value);
    if (!result) ADD_FAILURE() << "FakeBlueZ: Device1." << name << " has type " << g_variant_get_type_string(value);
    g_variant_unref(value);
    return result;
}

bool FakeBlueZ::DeviceExists(const std::string& address) {
    GVariant* value = GetProperty(DevicePath(address), "org.bluez.Device1", "Address", true);
    if (!value) return false;
    g_variant_unref(value);
    return true;
}

template <typename T> bool FakeBlueZ::SetAdapterProperty(const std::string& name, const T& value) {
    return Call(kBlueZ, AdapterPath(), "org.freedesktop.DBus.Properties", "Set",
                g_variant_new("(ssv)", "org.bluez.Adapter1", name.c_str(), ToVariant(value)), nullptr, nullptr)
        .empty();
}

std::string FakeBlueZ::FakeErrors() const { return fake_ ? fake_->Errors() : std::string("(not started)"); }

template std::optional<bool> FakeBlueZ::AdapterProperty(const std::string&);
template std::optional<std::uint32_t> FakeBlueZ::AdapterProperty(const std::string&);
template std::optional<std::int16_t> FakeBlueZ::AdapterProperty(const std::string&);
template std::optional<std::string> FakeBlueZ::AdapterProperty(const std::string&);
template std::optional<std::vector<std::string>> FakeBlueZ::AdapterProperty(const std::string&);
template std::optional<bool> FakeBlueZ::DeviceProperty(const std::string&, const std::string&);
template std::optional<std::uint32_t> FakeBlueZ::DeviceProperty(const std::string&, const std::string&);
template std::optional<std::int16_t> FakeBlueZ::DeviceProperty(const std::string&, const std::string&);
template std::optional<std::string> FakeBlueZ::DeviceProperty(const std::string&, const std::string&);
template std::optional<std::vector<std::string>> FakeBlueZ::DeviceProperty(const std::string&, const std::string&);
template bool FakeBlueZ::SetAdapterProperty(const std::string&, const bool&);
template bool FakeBlueZ::SetAdapterProperty(const std::string&, const std::uint32_t&);
template bool FakeBlueZ::SetAdapterProperty(const std::string&, const std::string&);

}  // namespace testsupport
