// The local device's list of local services: switched on and off with the engine, owned by it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/service/server_spp.h"
#include "engine/service/service_local.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "support/sim_world.h"
#include "watchdog.h"

namespace {

// What happened to the services of one test, in order.
struct Journal {
    std::vector<std::string> events;
};

class RecordedService final : public CServiceLocal {
public:
    RecordedService(std::string name, bool loads, std::shared_ptr<Journal> journal)
        : CServiceLocal(nullptr), name_(std::move(name)), loads_(loads), journal_(std::move(journal)) {}
    ~RecordedService() override { journal_->events.push_back("delete " + name_); }

protected:
    GUID getGuidLocalService() const override { return sdp::uuids::kSerialPort.ToGuid(); }
    int loadServer() override {
        journal_->events.push_back("load " + name_);
        return loads_;
    }
    int unloadServer() override {
        journal_->events.push_back("unload " + name_);
        return 1;
    }

private:
    std::string name_;
    bool loads_;
    std::shared_ptr<Journal> journal_;
};

TEST(LocalServices, OnlyAnActiveEngineSwitchesThemAndTheFirstFailureStopsTheRest) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    auto journal = std::make_shared<Journal>();
    {
        CDeviceLocal local;
        EXPECT_EQ(local.AddLocalService(new RecordedService("a", true, journal)), 1);
        local.AddLocalService(new RecordedService("b", false, journal));
        local.AddLocalService(new RecordedService("c", true, journal));
        {
            auto lock = local.LocalServicesLock();
            EXPECT_EQ(local.GetLocalServices().GetSize(), 3);
        }
        EXPECT_EQ(local.ActivateLocalServices(1), 1);  // the engine is off: nothing asked
        EXPECT_TRUE(journal->events.empty());

        ASSERT_EQ(local.Activate(1), 1);
        EXPECT_EQ(local.ActivateLocalServices(1), 0);
        EXPECT_EQ(journal->events, (std::vector<std::string>{"load a", "load b"}));
        journal->events.clear();
        local.Activate(0);  // switches the active one off first
        EXPECT_EQ(journal->events, std::vector<std::string>{"unload a"});
        journal->events.clear();
    }
    EXPECT_EQ(journal->events, (std::vector<std::string>{"delete a", "delete b", "delete c"}));
}

CDeviceLocal* g_local = nullptr;
int g_listedWhileReporting = -1;

// A receiver that reads the local services under their lock, as the README allows.
int CountLocalServices(int, const wchar_t*, const wchar_t*, void*) {
    auto lock = g_local->LocalServicesLock();
    g_listedWhileReporting = g_local->GetLocalServices().GetSize();
    return 0;
}

TEST(LocalServices, AReceiverMayReadTheListWhileAServerReportsItsFailure) {
    testsupport::Watchdog watchdog("a report made with the local-services lock held");
    ASSERT_NO_FATAL_FAILURE(
        testsupport::UseWorld(R"({"adapter": {"reserved_ports": [0, 1, 2, 3, 4, 5, 6, 7, 8, 9]}})"));
    CDeviceLocal local;
    g_local = &local;
    AddCommunication(ERR_SERVER_NO_COM_PORT, NewCallBack(&CountLocalServices), ERROR_TYPE_ERROR);
    local.AddLocalService(new CServerSpp(&local));
    ASSERT_EQ(local.Activate(1), 1);
    EXPECT_EQ(local.ActivateLocalServices(1), 0);
    EXPECT_EQ(g_listedWhileReporting, 1);
    local.Activate(0);
}

}  // namespace
