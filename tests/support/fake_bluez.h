#pragma once
// A fake bluetoothd for the BlueZ backend's tests: a private dbus-daemon, and on it the
// python-dbusmock template tests/bluez/fake/fake_bluez.py claiming org.bluez. While it runs,
// DBUS_SYSTEM_BUS_ADDRESS names the private bus, so the backend (and every child process)
// finds it as it finds the system bus. The verbs steer the simulated radio through the fake's
// control interface (org.nimbrel.FakeBlueZ on /org/bluez); reads go through the ordinary
// D-Bus properties. Every call is bounded (5 s) and a failed one fails the test.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/background_command.h"

struct _GDBusConnection;
struct _GVariant;

namespace testsupport {

struct FakeBlueZOptions {
    std::string address = "00:1A:7D:DA:71:13";  // the adapter's
    std::string name = "nimbrel-test";
    bool powered = true;                          // at start (and after RestartBlueZ)
    // How long an agent or a profile has to answer a call from the fake.
    std::chrono::milliseconds callTimeout{25000};
};

// A remote device on the simulated air.
struct FakeDevice {
    std::string name{};
    std::uint32_t deviceClass = 0;
    std::vector<std::string> uuids{};  // 16-bit ("1101") or 128-bit forms
    std::string pin = "0000";        // empty: the device refuses pairing
    std::string endpoint = "echo";   // where its services' bytes go: "echo" or "tcp:HOST:PORT"
    bool paired = false;             // bonded already: bluetoothd lists it from the start
    bool inRange = true;
    bool resolveOnConnect = false;   // its UUIDs are known only once connected
    bool ssp = false;                // pairs by confirming a passkey instead of a PIN
    std::uint32_t passkey = 123456;
};

// What our agent said when the device asked us to pair: the PIN (or "yes" for a confirmed
// passkey) or the D-Bus error it answered with; both empty while it has not answered.
struct AgentAnswer {
    std::string answer;
    std::string error;
};

class FakeBlueZ {
public:
    FakeBlueZ();
    ~FakeBlueZ();  // Stop()
    FakeBlueZ(const FakeBlueZ&) = delete;
    FakeBlueZ& operator=(const FakeBlueZ&) = delete;

    // Starts the bus and the fake and waits (at most 10 s) until org.bluez answers; false,
    // after a test failure naming the reason, when it does not.
    bool Start(const FakeBlueZOptions& options = {});
    // Ends both processes, restores DBUS_SYSTEM_BUS_ADDRESS and removes the files.
    void Stop();
    // Stops and restarts only bluetoothd (the fake), as a crash or an upgrade does: clients see
    // org.bluez change owner; the world and the bonds stay, agents and profiles do not.
    bool RestartBlueZ();

    const std::string& BusAddress() const { return busAddress_; }
    static std::string AdapterPath() { return "/org/bluez/hci0"; }
    static std::string DevicePath(const std::string& address);

    // The control interface.
    bool AddDevice(const std::string& address, const FakeDevice& device);
    bool Leave(const std::string& address);   // out of range: its links drop
    bool Return(const std::string& address);  // in range again
    bool RequestPin(const std::string& address);  // the device asks us to pair
    std::optional<AgentAnswer> LastAgentAnswer(const std::string& address);
    // Polls LastAgentAnswer until the agent answered, for at most `bound`.
    std::optional<AgentAnswer> WaitForAgentAnswer(const std::string& address,
                                                  std::chrono::milliseconds bound = std::chrono::seconds(10));
    bool CancelRequest(const std::string& address);
    // The device connects to the server profile we registered for `uuid`: "connected", or
    // what went wrong ("no-server-profile", "out-of-range", "not-powered", "busy",
    // "endpoint-unreachable", or the D-Bus error NewConnection answered with). Empty when
    // the call itself failed (a test failure).
    std::string ConnectToUs(const std::string& address, const std::string& uuid,
                            std::chrono::milliseconds bound = std::chrono::seconds(30));
    // "silent:<Method>", "profile-taken:<uuid>", "no-adapter".
    bool SetFault(const std::string& name, bool on);
    // D-Bus calls clients made to the fake so far (the fixture's own are not counted), and
    // each as "interface.Member path".
    std::optional<unsigned> CallCount();
    std::vector<std::string> CallLog();
    // The ServiceRecord (XML) a client registered with its profile for `uuid`; empty for none.
    std::string ProfileRecord(const std::string& uuid);

    // Properties, as a client reads and writes them. T: bool, std::uint32_t, std::int16_t,
    // std::string, std::vector<std::string>. None (after a test failure) when unreadable.
    template <typename T> std::optional<T> AdapterProperty(const std::string& name);
    template <typename T> std::optional<T> DeviceProperty(const std::string& address, const std::string& name);
    // Whether the device has an object (a read that may fail without failing the test).
    bool DeviceExists(const std::string& address);
    // T: bool, std::uint32_t, std::string.
    template <typename T> bool SetAdapterProperty(const std::string& name, const T& value);

private:
    bool StartFake();
    bool StopFake();
    bool WaitForOwner(bool owned, std::chrono::milliseconds bound);
    // A call on the private bus; `out` (when given) receives the reply, which it then owns.
    // Failure: the D-Bus error's message (and, unless `quiet`, a test failure).
    std::string Call(const std::string& destination, const std::string& path, const std::string& interface,
                     const std::string& method, _GVariant* parameters, const char* replyType,
                     _GVariant** out, int timeoutMs = 5000, bool quiet = false);
    bool Control(const std::string& method, _GVariant* parameters, _GVariant** out = nullptr, int timeoutMs = 5000);
    _GVariant* GetProperty(const std::string& path, const std::string& interface, const std::string& name,
                           bool quiet = false);
    std::string FakeErrors() const;

    FakeBlueZOptions options_;
    std::filesystem::path dir_;
    std::string busAddress_;
    std::optional<std::string> previousAddress_;  // DBUS_SYSTEM_BUS_ADDRESS before Start
    bool started_ = false;
    std::unique_ptr<BackgroundCommand> daemon_;
    std::unique_ptr<BackgroundCommand> fake_;
    _GDBusConnection* connection_ = nullptr;
};

}  // namespace testsupport
