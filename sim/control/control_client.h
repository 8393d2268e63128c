#pragma once
// The other end of the radio's control sockets, for tools: which host processes run a radio,
// and one request to one of them.
#include <sys/types.h>

#include <string>
#include <vector>

#include "sim/export.h"

namespace sim {

struct ControlHost {
    pid_t pid = 0;
    std::string program;
};

// Sends one request line to the radio of process `pid` and returns its reply line ("ok …" or
// "error: …"). False, with a message in *error, when the process cannot be reached.
NIMBREL_SIM_API bool SendControlRequest(pid_t pid, const std::string& request, std::string* reply, std::string* error);

// The processes whose radio answers now, by pid. Sockets left by processes that are gone are
// removed on the way.
NIMBREL_SIM_API std::vector<ControlHost> ListControlHosts();

}  // namespace sim
