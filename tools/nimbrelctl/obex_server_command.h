#pragma once
// The console's OBEX servers: obex-server.
#include <string>
#include <vector>

namespace ctl {

int ObexServer(const std::vector<std::string>& args);

}  // namespace ctl
