// A File Transfer service bridged over TCP to a real OBEX server (obexftpd, which always
// listens on port 650) serving a temporary folder.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/kernel/paths.h"
#include "support/obex_client.h"
#include "support/sim_world.h"

namespace {

namespace fs = std::filesystem;

// Whether some socket listens on the port. (Not probed by connecting: obexftpd serves only
// the first connection it accepts.)
bool Listening(std::uint16_t port) {
    char local[8];
    std::snprintf(local, sizeof local, ":%04X", port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream file(table);
        std::string sl, address, remote, state;
        for (std::string line; std::getline(file, line);) {
            std::istringstream fields(line);
            if ((fields >> sl >> address >> remote >> state) && address.ends_with(local) && state == "0A") return true;
        }
    }
    return false;
}

// The server's process, stopped and reaped at the end of the test.
struct Server {
    pid_t pid = -1;
    ~Server() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

TEST(ObexBridge, ListsGetsAndPutsThroughARealServer) {
    if (::access("/usr/bin/obexftpd", X_OK) != 0) GTEST_SKIP() << "obexftpd is not installed";
    if (Listening(650)) GTEST_SKIP() << "port 650 is already in use";
    const fs::path served = platform::NimbrelHome() / "served";
    fs::create_directories(served);
    std::ofstream(served / "hello.txt") << "hello from the server\n";
    Server server;
    server.pid = ::fork();
    if (server.pid == 0) {
        ::execl("/usr/bin/obexftpd", "obexftpd", "-c", served.c_str(), "-n", "650", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Listening(650) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
