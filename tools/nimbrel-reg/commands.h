#pragma once
// nimbrel-reg's commands. Each takes its arguments (after the command word), reports
// failures on stderr and returns the exit status: 0 done, 1 failed, 2 bad arguments.
#include <string>
#include <vector>

namespace nimbrel_reg {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

using Arguments = std::vector<std::string>;

int Get(const Arguments& args);
int Set(const Arguments& args);
int Delete(const Arguments& args);
int DeleteKey(const Arguments& args);
int List(const Arguments& args);
int Export(const Arguments& args);
int Import(const Arguments& args);

}  // namespace nimbrel_reg
