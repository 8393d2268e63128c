// The engine over either radio: what it finds, pairs and hears is the same whether the
// simulated radio or bluetoothd (here a fake one) is under it.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "engine/device/device_local.h"
#include "engine/frame/notifications.h"
#include "engine/service/service_distant.h"
#include "support/radio_under_test.h"

namespace {

using testsupport::RadioKind;
using testsupport::RadioUnderTest;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;
constexpr BT_ADDR kHeadset = 0x0012AB34CD57;

// Waits, generously, for engine notifications of one code.
class Notifications {
public:
    explicit Notifications(int code) : code_(code) {
        NIMBRL_RegisterCallback(code, &Notifications::Receive, reinterpret_cast<NOTIFY_VALUE>(this));
    }
    ~Notifications() { NIMBRL_UnregisterCallback(code_); }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return values_.size() >= count; });
    }
    NOTIFY_VALUE Value(std::size_t index) {
        std::lock_guard lock(mutex_);
        return values_.at(index);
    }

private:
    static int Receive(NOTIFY_VALUE value, NOTIFY_VALUE self) {
        auto* me = reinterpret_cast<Notifications*>(self);
        std::lock_guard lock(me->mutex_);
        me->values_.push_back(value);
        me->arrived_.notify_all();
        return 0;
    }
    const int code_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<NOTIFY_VALUE> values_;
};

class EngineOnBothRadios : public ::testing::TestWithParam<RadioKind> {
protected:
    void SetUp() override {
        radio_ = RadioUnderTest::Make(GetParam());
        ASSERT_TRUE(radio_->Start({{kPhone, "My Phone", 0x5A020C, {"ftp", "spp", "opp"}, "1234"},
                                   {kHeadset, "Headset", 0x200404, {}, "0000"}}));
    }
    void TearDown() override { radio_.reset(); }

    // Discovers the devices around; false when the discovery did not end.
    bool Discover(CDeviceLocal& local) {
        Notifications ended(NOTIFY_INQUIRY_END);
        return local.FindDevices() && ended.WaitFor(1);
    }

    std::unique_ptr<RadioUnderTest> radio_;
};

TEST_P(EngineOnBothRadios, FindsTheDevicesAndTheirServicesInTheEnginesOrder) {
    CDeviceLocal local;
    ASSERT_EQ(local.Activate(1), 1);
    ASSERT_TRUE(Discover(local));
    CDeviceDistant* phone = local.getDeviceDistant(kPhone);
    ASSERT_NE(phone, nullptr);
    EXPECT_EQ(phone->GetName(), CString(L"My Phone"));
    EXPECT_EQ(phone->GetClass(), 0x5A020Cu);
    ASSERT_NE(local.getDeviceDistant(kHeadset), nullptr);

    Notifications ended(NOTIFY_INQUIRY_END);
    ASSERT_EQ(phone->FindServices(), 1);
    ASSERT_TRUE(ended.WaitFor(1));
    phone->EndInquiry();
    std::vector<unsigned> ids;
    {
        auto lock = phone->ServicesLock();
        for (auto* service : phone->GetServices()) ids.push_back(service->GetID());
    }
    EXPECT_EQ(ids, (std::vector<unsigned>{2, 1, 3}));  // File Transfer, Serial Port, Object Push
    ASSERT_EQ(local.Activate(0), 1);
}

TEST_P(EngineOnBothRadios, PairsWithTheRightPinOnlyAndAnswersTheDevicesOwnRequest) {
    CDeviceLocal local;
    ASSERT_EQ(local.Activate(1), 1);
    ASSERT_TRUE(Discover(local));
    CDeviceDistant* phone = local.getDeviceDistant(kPhone);
    ASSERT_NE(phone, nullptr);
    phone->AskPairRequest(4, L"9999");
    EXPECT_EQ(phone->IsPaired(), 0);
    phone->AskPairRequest(4, L"1234");
    EXPECT_EQ(phone->IsPaired(), 1);
    phone->Unpair();
    EXPECT_EQ(phone->IsPaired(), 0);

    Notifications requested(NOTIFY_PIN_REQUEST);
    radio_->SimulatePairRequest(kPhone);
    ASSERT_TRUE(requested.WaitFor(1));
    auto* asking = reinterpret_cast<CDeviceDistant*>(requested.Value(0));
    ASSERT_EQ(asking, phone);
    phone->AnswerPairRequest(4, L"1234");
    EXPECT_EQ(phone->IsPaired(), 1);
    ASSERT_EQ(local.Activate(0), 1);
}

INSTANTIATE_TEST_SUITE_P(Radios, EngineOnBothRadios, ::testing::Values(RadioKind::Simulated, RadioKind::BlueZ),
                         [](const auto& info) { return std::string(testsupport::RadioName(info.param)); });

}  // namespace
