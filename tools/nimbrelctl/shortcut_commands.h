#pragma once
// The console's shortcut commands: shortcuts, shortcut save|delete.
#include <string>
#include <vector>

namespace ctl {

int Shortcuts(const std::vector<std::string>& args);
int Shortcut(const std::vector<std::string>& args);

}  // namespace ctl
