#pragma once
#include <string>
#include <vector>

namespace ctl {

struct Command {
    const char* name;
    const char* usage;
    size_t minArgs;
    size_t maxArgs;
    int (*run)(const std::vector<std::string>& args);
};

const Command* FindCommand(const std::string& name);

}  // namespace ctl
