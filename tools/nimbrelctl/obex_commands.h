#pragma once
// The console's OBEX commands: push, ls, get, put, rm.
#include <string>
#include <vector>

namespace ctl {

int Push(const std::vector<std::string>& args);
int List(const std::vector<std::string>& args);
int Get(const std::vector<std::string>& args);
int Put(const std::vector<std::string>& args);
int Remove(const std::vector<std::string>& args);

}  // namespace ctl
