// Host callbacks that read the engine's lists under their locks, on engine threads, while the
// host's thread clears, searches again, deactivates and deletes; and how long a pointer handed
// to a callback stays valid.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "engine/service/service_distant.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/kernel/sync.h"
#include "sim/radio.h"
#include "support/sim_world.h"
#include "watchdog.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;
using testsupport::UseWorld;
using testsupport::Watchdog;

std::atomic<int> g_walks{0};

// What the README tells hosts to do: walk the lists under their locks.
int WalkTheLists(NOTIFY_VALUE, NOTIFY_VALUE user) {
    auto* local = reinterpret_cast<CDeviceLocal*>(user);
    auto devices = local->DevicesLock();
    for (auto* device : local->GetDevices()) {
        auto services = device->ServicesLock();
        for (auto* service : device->GetServices())
            if (service->GetName().IsEmpty()) ADD_FAILURE() << "a service without a name";
    }
    ++g_walks;
    return 0;
}

std::vector<CDeviceDistant*> Devices(CDeviceLocal& local) {
    auto lock = local.DevicesLock();
    return std::vector<CDeviceDistant*>(local.GetDevices().begin(), local.GetDevices().end());
}

TEST(LockingContract, CallbacksWalkingTheListsNeverHangTheHostThatClearsSearchesDeactivatesAndDeletes) {
    UseWorld(R"({"timing": {"sdp_ms": 2}, "devices": [
        {"address": "00:00:00:00:00:01", "services": [{"profile": "ftp"}, {"profile": "spp"}, {"profile": "opp"}]},
        {"address": "00:00:00:00:00:02", "services": [{"profile": "opp"}, {"profile": "dun"}]},
        {"address": "00:00:00:00:00:03", "services": [{"profile": "spp"}]}]})");
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    Watchdog watchdog("a callback holding a list lock against the host");
    {
        CDeviceLocal local;
        NIMBRL_RegisterCallback(NOTIFY_DEVICE_ADDED, &WalkTheLists, reinterpret_cast<NOTIFY_VALUE>(&local));
        NIMBRL_RegisterCallback(NOTIFY_SERVICE_ADDED, &WalkTheLists, reinterpret_cast<NOTIFY_VALUE>(&local));
        ASSERT_EQ(local.Activate(1), 1);
        size_t started = 0;
        for (int round = 0; round < 40; ++round) {
            // Forgets the devices of the last round while their service searches still run.
            ASSERT_EQ(local.FindDevices(), 1);
            ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END, ++started));
            for (auto* device : Devices(local)) {
                ASSERT_EQ(device->FindServices(), 1);
                ++started;
            }
        }
        EXPECT_EQ(local.Activate(0), 1);  // ends the last searches
        for (auto* device : Devices(local)) device->FindServices();
        // The local device goes while these run.
    }
    NIMBRL_UnregisterCallback(NOTIFY_DEVICE_ADDED);
    NIMBRL_UnregisterCallback(NOTIFY_SERVICE_ADDED);
    EXPECT_GT(g_walks.load(), 40);
    EXPECT_FALSE(errors.Has(ERR_INQUIRY_NO_STOP));
    EXPECT_FALSE(errors.Has(ERR_INQUIRY_RUNNING));
}

// A callback that holds on to the object it was handed until the host's thread has taken it
// out of its list, then uses it.
struct Probe {
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::function<bool()> listed;
    std::atomic<bool> usedAfterRemoval{false};
    CString name;

    ~Probe() { CloseHandle(entered); }
    void Hold(const std::function<CString()>& use) {
        SetEvent(entered);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (listed() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        if (listed()) return;
        name = use();
        usedAfterRemoval = true;
    }
};

int HoldDevice(NOTIFY_VALUE value, NOTIFY_VALUE user) {
    reinterpret_cast<Probe*>(user)->Hold([value] { return reinterpret_cast<CDeviceDistant*>(value)->GetName(); });
    return 0;
}

int HoldService(NOTIFY_VALUE value, NOTIFY_VALUE user) {
    reinterpret_cast<Probe*>(user)->Hold([value] { return reinterpret_cast<CServiceDistant*>(value)->GetName(); });
    return 0;
}

TEST(LockingContract, ADeviceHandedToAPinRequestOutlivesTheCallbackEvenWhenTheHostSearchesAgain) {
    UseWorld("{}");
    auto& log = NotificationLog::Attach();
    Watchdog watchdog("the host's search against a pin request callback");
    CDeviceLocal local;
    Probe probe;
    probe.listed = [&] { return local.getDeviceDistant(0xBEEF) != nullptr; };
    NIMBRL_RegisterCallback(NOTIFY_PIN_REQUEST, &HoldDevice, reinterpret_cast<NOTIFY_VALUE>(&probe));
    ASSERT_EQ(local.Activate(1), 1);
    sim::Radio::Instance().RaisePinRequest(0xBEEF);
    ASSERT_EQ(WaitForSingleObject(probe.entered, 30000), WAIT_OBJECT_0);
    ASSERT_EQ(local.FindDevices(), 1);  // forgets the device while the callback still has it
    ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END));
    EXPECT_TRUE(probe.usedAfterRemoval.load());
    EXPECT_EQ(probe.name, CString(L"Unknown"));
    NIMBRL_UnregisterCallback(NOTIFY_PIN_REQUEST);
}

TEST(LockingContract, AServiceHandedToAConnectionCallbackOutlivesTheCallbackEvenWhenTheHostSearchesAgain) {
    UseWorld(R"({"devices": [{"address": "00:00:00:00:00:08"}]})");
    auto& log = NotificationLog::Attach();
    Watchdog watchdog("the host's search against a connection callback");
    CDeviceLocal local;
    CDeviceDistant* device = local.addDevice(8, CString(), 0, 0);
    CServiceDistant* spp = device->AddDistantService(SERVICE_ID_SPP, 3);
    Probe probe;
    probe.listed = [&] {
        auto lock = device->ServicesLock();
        return device->GetServices().GetSize() != 0;
    };
    NIMBRL_RegisterCallback(NOTIFY_CONNECT_FAILED, &HoldService, reinterpret_cast<NOTIFY_VALUE>(&probe));
    spp->Connect();  // fails: the serial transport does not exist yet
    ASSERT_EQ(WaitForSingleObject(probe.entered, 30000), WAIT_OBJECT_0);
    ASSERT_EQ(device->FindServices(), 1);  // forgets the service while the callback still has it
    ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END));
    EXPECT_TRUE(probe.usedAfterRemoval.load());
    EXPECT_EQ(probe.name, CString(L"Serial Port"));
    NIMBRL_UnregisterCallback(NOTIFY_CONNECT_FAILED);
}

}  // namespace
