#pragma once
// nimbrelctl radio …: events for the simulated radio of a running host, through its control
// socket. These commands run no radio of their own.
#include <string>
#include <vector>

namespace ctl {

// `args` follow the word "radio".
int Radio(const std::vector<std::string>& args);

}  // namespace ctl
