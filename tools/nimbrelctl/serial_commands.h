#pragma once
// The console's serial-port commands: ports, connect, server.
#include <string>
#include <vector>

namespace ctl {

int Ports(const std::vector<std::string>& args);
int Connect(const std::vector<std::string>& args);
int Server(const std::vector<std::string>& args);

}  // namespace ctl
