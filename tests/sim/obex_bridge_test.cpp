// A service bridged over TCP to an OBEX server (the tests with a real one, obexftpd, are in
// tests/peers: they hold its fixed port).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/kernel/paths.h"
#include "support/obex_client.h"
#include "support/sim_world.h"

namespace {

namespace fs = std::filesystem;

TEST(ObexBridge, AServerThatCannotBeReachedBreaksTheLink) {
    testsupport::UseWorld(R"({"devices": [{"address": "00:00:00:00:00:05",
        "services": [{"profile": "opp", "obex_tcp": "127.0.0.1:1"}]}]})");
    std::shared_ptr<IObexDevice> device;
    ASSERT_EQ(testsupport::Bind(L"000000000005", testsupport::kObjectPushClass, &device), S_OK);
    EXPECT_EQ(device->Connect(nullptr, 0, nullptr), HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
}

}  // namespace
