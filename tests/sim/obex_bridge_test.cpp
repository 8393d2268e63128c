// A File Transfer service bridged over TCP to a real OBEX server (obexftpd, which always
// listens on port 650) serving a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/kernel/paths.h"
#include "support/obex_client.h"
#include "support/obexftpd_server.h"
#include "support/sim_world.h"

namespace {

namespace fs = std::filesystem;

TEST(ObexBridge, ListsGetsAndPutsThroughARealServer) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) GTEST_SKIP() << missing;
    const fs::path served = platform::NimbrelHome() / "served";
    fs::create_directories(served);
    std::ofstream(served / "hello.txt") << "hello from the server\n";
    const testsupport::ObexftpdServer server(served);
    ASSERT_TRUE(server.listening());
    testsupport::UseWorld(R"({"devices": [{"address": "00:00:00:00:00:05",
        "services": [{"profile": "ftp", "obex_tcp": "127.0.0.1:650"}]}]})");
    auto device = testsupport::Connect(L"000000000005", true);
    ASSERT_TRUE(device);
    std::string text;
    ASSERT_EQ(testsupport::Get(*device, L"", &text), S_OK);
    EXPECT_NE(text.find("hello.txt"), std::string::npos) << text;
    ASSERT_EQ(testsupport::Get(*device, L"hello.txt", &text), S_OK);
    EXPECT_EQ(text, "hello from the server\n");
    // Many packets each way through the bridge. (obexftpd 0.24 answers PUTs but does not keep
    // the object, not even from its own client, so only the exchange is checked.)
    const std::string body(20000, 'z');
    EXPECT_EQ(testsupport::Put(*device, L"up.bin", &body), S_OK);
    EXPECT_EQ(device->Disconnect(nullptr), S_OK);
}

TEST(ObexBridge, AServerThatCannotBeReachedBreaksTheLink) {
    testsupport::UseWorld(R"({"devices": [{"address": "00:00:00:00:00:05",
        "services": [{"profile": "opp", "obex_tcp": "127.0.0.1:1"}]}]})");
    std::shared_ptr<IObexDevice> device;
    ASSERT_EQ(testsupport::Bind(L"000000000005", testsupport::kObjectPushClass, &device), S_OK);
    EXPECT_EQ(device->Connect(nullptr, 0, nullptr), HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
}

}  // namespace
