// Remote name and class queries through "BTD0:".
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "sim/radio.h"
#include "stack_client.h"
#include "support/sim_world.h"

namespace {

using simtest::Stack;

const char* const kWorld = R"({"devices": [
  {"name": "Nokia 6680", "address": "00:12:AB:34:CD:56", "class": "0x5A0204"},
  {"name": "Mute", "address": "00:00:00:00:00:02", "name_query": false, "class_query": false},
  {"name": "Away", "address": "00:00:00:00:00:03", "in_range": false}]})";

struct NameAnswer {
    DWORD error;
    DWORD required;
    std::wstring name;
};

NameAnswer QueryName(const Stack& stack, BT_ADDR address, DWORD capacity) {
    std::wstring buffer(capacity + 1, L'#');  // one spare to catch a write past the size given
    DWORD required = 0;
    BthCallBlock block;
    block.address = address;
    block.value = capacity;
    block.name = capacity ? buffer.data() : nullptr;
    block.requiredSize = &required;
    DWORD error = stack.Request(bth::kRemoteNameQuery, block);
    EXPECT_EQ(buffer[capacity], L'#');
    return {error, required, error ? std::wstring() : std::wstring(buffer.c_str())};
}

TEST(RadioRemote, NameQueriesReportTheSizeAndFillTheBufferWhenItFits) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    NameAnswer fits = QueryName(stack, 0x0012AB34CD56, 11);
    EXPECT_EQ(fits.error, 0u);
    EXPECT_EQ(fits.required, 11u);
    EXPECT_EQ(fits.name, L"Nokia 6680");

    NameAnswer tooSmall = QueryName(stack, 0x0012AB34CD56, 10);
    EXPECT_EQ(tooSmall.error, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(tooSmall.required, 11u);
    EXPECT_EQ(QueryName(stack, 0x0012AB34CD56, 0).required, 11u);  // a size probe

    EXPECT_EQ(QueryName(stack, 0x000000000002, 64).error, ERROR_GEN_FAILURE);
    EXPECT_EQ(QueryName(stack, 0x000000000003, 64).error, ERROR_TIMEOUT);
    EXPECT_EQ(QueryName(stack, 0x0000DEADBEEF, 64).error, ERROR_TIMEOUT);
}

TEST(RadioRemote, ClassQueriesAnswerForReachableWillingDevices) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    BthCallBlock block;
    block.address = 0x0012AB34CD56;
    ASSERT_EQ(stack.Request(bth::kGetRemoteCod, block), 0u);
    EXPECT_EQ(block.value, 0x5A0204u);
    block = {};
    block.address = 0x000000000002;
    EXPECT_EQ(stack.Request(bth::kGetRemoteCod, block), ERROR_GEN_FAILURE);
    block.address = 0x000000000003;
    EXPECT_EQ(stack.Request(bth::kGetRemoteCod, block), ERROR_TIMEOUT);
}

TEST(RadioRemote, PairingAnUnreachableDeviceTimesOut) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    for (DWORD code : {bth::kPairRequest, bth::kAnswerPairRequest}) {
        BthCallBlock block;
        block.address = 0x000000000003;
        block.value = 4;
        EXPECT_EQ(stack.Request(code, block), ERROR_TIMEOUT);
    }
}

TEST(RadioRemote, ResetReleasesANameQueryWaitingForTheDevice) {
    const std::string slow = R"({"timing": {"name_ms": 60000}, "devices": [{"name": "A", "address": "00:00:00:00:00:01"}]})";
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(slow));
    Stack stack;
    NameAnswer answer{};
    std::thread waiter([&] { answer = QueryName(stack, 1, 64); });
    ASSERT_TRUE(sim::Radio::Instance().AwaitBlockedRequests(1, 10000));
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(slow));
    waiter.join();
    EXPECT_EQ(answer.error, ERROR_CANCELLED);
}

}  // namespace
