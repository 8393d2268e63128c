// Host callbacks that read the engine's lists under their locks, on engine threads, while the
// host's thread clears, searches again, deactivates and deletes; and how long a pointer handed
// to a callback stays valid.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
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
            // Forgets the devices of the last round while their service searches still run, and
            // while the pair-request thread adds one.
            sim::Radio::Instance().RaisePinRequest(0xA0 + round);
            ASSERT_EQ(local.FindDevices(), 1);
            ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END, ++started));
            for (int i = 1; i <= 3; ++i, ++started) ASSERT_EQ(local.getDeviceDistant(i)->FindServices(), 1);
        }
        EXPECT_EQ(local.Activate(0), 1);  // ends the last searches
        for (int i = 1; i <= 3; ++i) local.getDeviceDistant(i)->FindServices();
        // The local device goes while these run.
    }
    EXPECT_GT(g_walks.load(), 40);
    EXPECT_FALSE(errors.Has(ERR_INQUIRY_NO_STOP));
    EXPECT_FALSE(errors.Has(ERR_INQUIRY_RUNNING));
}

// A callback that keeps the object it was handed until the host's thread has taken it out of
// its list, then uses it.
struct Probe {
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::function<bool()> listed;
    CString nameAfterRemoval;
    ~Probe() { CloseHandle(entered); }
};

template <class Object>
int Hold(NOTIFY_VALUE value, NOTIFY_VALUE user) {
    auto* probe = reinterpret_cast<Probe*>(user);
    SetEvent(probe->entered);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (probe->listed() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    if (!probe->listed()) probe->nameAfterRemoval = reinterpret_cast<Object*>(value)->GetName();
    return 0;
}

TEST(LockingContract, ADeviceHandedToAPinRequestOutlivesTheCallbackEvenWhenTheHostSearchesAgain) {
    UseWorld("{}");
    auto& log = NotificationLog::Attach();
    Watchdog watchdog("the host's search against a PIN request callback");
    CDeviceLocal local;
    Probe probe;
    probe.listed = [&] { return local.getDeviceDistant(0xBEEF) != nullptr; };
    NIMBRL_RegisterCallback(NOTIFY_PIN_REQUEST, &Hold<CDeviceDistant>, reinterpret_cast<NOTIFY_VALUE>(&probe));
    ASSERT_EQ(local.Activate(1), 1);
    sim::Radio::Instance().RaisePinRequest(0xBEEF);
    ASSERT_EQ(WaitForSingleObject(probe.entered, 30000), WAIT_OBJECT_0);
    ASSERT_EQ(local.FindDevices(), 1);  // forgets the device while the callback still has it
    ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END));
    EXPECT_EQ(probe.nameAfterRemoval, CString(L"Unknown"));
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
    NIMBRL_RegisterCallback(NOTIFY_CONNECT_FAILED, &Hold<CServiceDistant>, reinterpret_cast<NOTIFY_VALUE>(&probe));
    spp->Connect();  // fails: the serial transport does not exist yet
    ASSERT_EQ(WaitForSingleObject(probe.entered, 30000), WAIT_OBJECT_0);
    ASSERT_EQ(device->FindServices(), 1);  // forgets the service while the callback still has it
    ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END));
    EXPECT_EQ(probe.nameAfterRemoval, CString(L"Serial Port"));
}

}  // namespace
