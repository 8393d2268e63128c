#pragma once
// How the registry reads key paths. Names compare by platform::FoldCase (platform/text/case_fold.h).
#include <string>
#include <string_view>
#include <vector>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform::registry {

// The components of a key path; empty components (leading, trailing or doubled separators)
// are dropped. The separator is the backslash, and also '/' when slashSeparates is set.
std::vector<std::wstring> SplitKeyPath(std::wstring_view path, bool slashSeparates = false);

// The components joined with backslashes.
std::wstring JoinKeyPath(const std::vector<std::wstring>& components);

// A path under HKEY_LOCAL_MACHINE as people write it: an optional "HKLM" or
// "HKEY_LOCAL_MACHINE" first component is dropped ("HKLM" alone is the root).
std::vector<std::wstring> MachineKeyPath(std::wstring_view path, bool slashSeparates);

}  // namespace platform::registry

#pragma GCC visibility pop
