// Remote name and class queries, and pairing with a device out of reach.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

const char* const kWorld = R"({"devices": [
  {"name": "Korvo K610", "address": "00:12:AB:34:CD:56", "class": "0x5A0204"},
  {"name": "Mute", "address": "00:00:00:00:00:02", "name_query": false, "class_query": false},
  {"name": "Away", "address": "00:00:00:00:00:03", "in_range": false}]})";

TEST(RadioRemote, NameQueriesAnswerForReachableWillingDevices) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    sim::Radio& radio = sim::Radio::Instance();
    std::wstring name;
    ASSERT_EQ(radio.RemoteName(0x0012AB34CD56, &name), 0u);
    EXPECT_EQ(name, L"Korvo K610");
    EXPECT_EQ(radio.RemoteName(0x000000000002, &name), ERROR_GEN_FAILURE);
    EXPECT_EQ(radio.RemoteName(0x000000000003, &name), ERROR_TIMEOUT);
    EXPECT_EQ(radio.RemoteName(0x0000DEADBEEF, &name), ERROR_TIMEOUT);
}

TEST(RadioRemote, ClassQueriesAnswerForReachableWillingDevices) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    sim::Radio& radio = sim::Radio::Instance();
    std::uint32_t cod = 0;
    ASSERT_EQ(radio.RemoteClass(0x0012AB34CD56, &cod), 0u);
    EXPECT_EQ(cod, 0x5A0204u);
    EXPECT_EQ(radio.RemoteClass(0x000000000002, &cod), ERROR_GEN_FAILURE);
    EXPECT_EQ(radio.RemoteClass(0x000000000003, &cod), ERROR_TIMEOUT);
}

TEST(RadioRemote, PairingAnUnreachableDeviceTimesOut) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    const bth::Pin pin = {'1', '2', '3', '4'};
    EXPECT_EQ(sim::Radio::Instance().PairRequest(0x000000000003, pin), ERROR_TIMEOUT);
    sim::Radio::Instance().RaisePinRequest(0x000000000003);  // asked, then walked away
    EXPECT_EQ(sim::Radio::Instance().AnswerPairRequest(0x000000000003, pin), ERROR_TIMEOUT);
}

TEST(RadioRemote, ResetReleasesANameQueryWaitingForTheDevice) {
    const std::string slow =
        R"({"timing": {"name_ms": 60000}, "devices": [{"name": "A", "address": "00:00:00:00:00:01"}]})";
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(slow));
    DWORD answer = 0;
    std::thread waiter([&] {
        std::wstring name;
        answer = sim::Radio::Instance().RemoteName(1, &name);
    });
    ASSERT_TRUE(sim::Radio::Instance().AwaitBlockedRequests(1, 10000));
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(slow));
    waiter.join();
    EXPECT_EQ(answer, ERROR_CANCELLED);
}

}  // namespace
