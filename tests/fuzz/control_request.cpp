// Request lines on the simulated radio's control socket, as any local program may send them:
// each line of the input is answered in turn, by a radio whose world is set anew for every
// input. Every answer is one reply line.
#include <string>

#include "fuzz_support.h"
#include "sim/control/control_socket.h"
#include "sim/control/radio_control.h"
#include "sim/radio.h"

namespace {

// A device in range with a service of each kind, and one out of range.
constexpr char kWorld[] = R"({
  "devices": [
    {"name": "Phone", "address": "00:0E:9F:11:22:33", "paired_pin": "1234",
     "services": [{"profile": "spp"}, {"profile": "opp"}, {"profile": "ftp"}]},
    {"name": "Away", "address": "00:0E:9F:44:55:66", "in_range": false}
  ]
})";

sim::World world;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::UsePrivateHome();
    std::string error;
    if (!sim::ParseWorld(kWorld, "the fuzz world", &world, &error)) fuzzsupport::CheckFailed(error.c_str(), __FILE__, __LINE__);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput) return 0;
    sim::Radio& radio = sim::Radio::Instance();
    radio.Reset(world);
    std::string_view rest = fuzzsupport::Text(data, size);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string line(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line.size() > sim::kMaxControlRequest) continue;  // the socket refuses it unread
        const std::string reply = sim::AnswerControlRequest(radio, line);
        FUZZ_CHECK(reply.find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(reply.rfind("ok", 0) == 0 || reply.rfind("error: ", 0) == 0 || reply.rfind("refused ", 0) == 0);
    }
    return 0;
}
