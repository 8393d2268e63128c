// The radio's control socket, as nimbrelctl reaches it from another process.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/kernel/paths.h"
#include "sim/control/control_client.h"
#include "sim/radio.h"
#include "support/sim_world.h"
#include "support/tools.h"

namespace {

constexpr BT_ADDR kLaptop = 0x000E9F112233;
const std::string kWorld = R"({"devices": [{"address": "00:0E:9F:11:22:33"}]})";

std::string Ask(const std::string& request) {
    std::string reply, error;
    EXPECT_TRUE(sim::SendControlRequest(::getpid(), request, &reply, &error)) << error;
    return reply;
}

bool InRange() { return sim::FindDevice(sim::Radio::Instance().world(), kLaptop)->inRange; }

// A Unix socket with `path` as its address, bound (a socket nobody listens to) or connected.
int UnixSocket(const std::filesystem::path& path, bool bind) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    const auto* raw = reinterpret_cast<const sockaddr*>(&address);
    EXPECT_EQ(bind ? ::bind(fd, raw, sizeof address) : ::connect(fd, raw, sizeof address), 0) << path;
    return fd;
}

// Sends `bytes` as they are, past the client's own checks.
std::string AskRaw(const std::filesystem::path& path, const std::string& bytes) {
    const int fd = UnixSocket(path, false);
    EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    char reply[256] = {};
    const ssize_t count = ::recv(fd, reply, sizeof reply - 1, MSG_WAITALL);
    ::close(fd);
    return count > 0 ? std::string(reply, static_cast<std::size_t>(count)) : "";
}

TEST(RadioControl, RequestsReachThisProcesssRadioAndBadOnesGetAnError) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    const std::filesystem::path folder = platform::RuntimeFolder().path;
    const std::filesystem::path socket = folder / ("radio-" + std::to_string(::getpid()) + ".sock");
    struct stat info {};
    ASSERT_EQ(::stat(socket.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_EQ(Ask("leave 00:0e:9f:11:22:33"), "ok");
    EXPECT_FALSE(InRange());
    EXPECT_EQ(Ask("pair-request 00:0E:9F:11:22:33"), "error: device 00:0e:9f:11:22:33 is out of range");
    EXPECT_EQ(Ask("return 00:0E:9F:11:22:33"), "ok");
    EXPECT_TRUE(InRange());
    EXPECT_EQ(Ask("serial-connect 00:0E:9F:11:22:33"), "error: no serial server of ours is listening");

    for (const std::string bad : {"", "teleport 00:0E:9F:11:22:33", "leave", "leave 00:0E:9F:11:22", "leave 1 2",
                                  "leave 00:00:00:00:00:09", "hello there"})
        EXPECT_EQ(Ask(bad).rfind("error: ", 0), 0u) << bad;
    EXPECT_EQ(AskRaw(socket, std::string(600, 'x')), "error: request longer than 512 bytes\n");
    EXPECT_EQ(AskRaw(socket, std::string("leave \xff\x01\n", 9)).rfind("error: '?\?' is not an address", 0), 0u);
    EXPECT_TRUE(InRange());
}

TEST(RadioControl, HostsAreListedAndStaleSocketsRemoved) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    // A socket nobody listens on any more, as a killed program leaves it.
    const std::filesystem::path stale = platform::RuntimeFolder().path / "radio-2147483646.sock";
    ::close(UnixSocket(stale, true));

    const std::string self = std::to_string(::getpid()) + "\t" + program_invocation_short_name + "\n";
    std::string output;
    const std::string ctl = testsupport::ToolPath("nimbrelctl");
    ASSERT_EQ(testsupport::RunCommand(ctl + " radio hosts", &output), 0);
    EXPECT_EQ(output, self);
    EXPECT_FALSE(std::filesystem::exists(stale));

    // The only host is chosen without --pid; a pid without a radio cannot be reached.
    EXPECT_EQ(testsupport::RunCommand(ctl + " radio leave 00:0E:9F:11:22:33 2>/dev/null"), 0);
    EXPECT_FALSE(InRange());
    EXPECT_EQ(testsupport::RunCommand(ctl + " radio return 00:0E:9F:11:22:33 --pid 2147483646 2>/dev/null"), 1);
    EXPECT_EQ(testsupport::RunCommand(ctl + " radio return 00:0E:9F:11:22:33 --pid x 2>/dev/null"), 2);
    EXPECT_FALSE(InRange());
}

}  // namespace
