#pragma once
// The console's pairing commands: pair, unpair, watch.
#include <string>
#include <vector>

namespace ctl {

int Pair(const std::vector<std::string>& args);
int Unpair(const std::vector<std::string>& args);
int Watch(const std::vector<std::string>& args);

}  // namespace ctl
