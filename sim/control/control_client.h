#pragma once
// The other end of the radio's control sockets, for tools: which host processes run a radio,
// and one request to one of them.
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sim/export.h"

namespace sim {

struct ControlHost {
    pid_t pid = 0;
    std::string program;
};

// How long a reply may be, and how long it may take (a push waits for the whole transfer).
struct ControlReplyLimits {
    std::size_t bytes = 1024;
    int timeoutMs = 10000;
};

// Sends one request line to the radio of process `pid` and returns its reply line ("ok …" or
// "error: …"). False, with a message in *error, when the process cannot be reached.
NIMBREL_SIM_API bool SendControlRequest(pid_t pid, const std::string& request, std::string* reply, std::string* error,
                                        const ControlReplyLimits& limits = {});

// Text of any bytes as one word of a request or reply line: bytes up to the space, DEL and '%'
// become "%HH". Decoding gives none for a word that is not such an encoding.
NIMBREL_SIM_API std::string EncodeControlWord(const std::string& text);
NIMBREL_SIM_API std::optional<std::string> DecodeControlWord(const std::string& word);

// The processes whose radio answers now, by pid. Sockets left by processes that are gone are
// removed on the way.
NIMBREL_SIM_API std::vector<ControlHost> ListControlHosts();

}  // namespace sim
