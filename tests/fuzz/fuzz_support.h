#pragma once
// What the fuzz targets share: the bound on an input's size, a check that stops the run with a
// report (kept in every build type, unlike assert), and folders of their own for the targets
// that write to the disk.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzsupport {

// Larger inputs are passed over: they find nothing the small ones do not and slow every run.
inline constexpr std::size_t kMaxInput = 64 * 1024;

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A new folder in the temporary folder, removed with everything in it when the process ends
// normally (libFuzzer exits so at the end of a run; after a crash it is left for a look).
inline std::filesystem::path TemporaryFolder() {
    struct Folders {
        std::vector<std::filesystem::path> paths;
        ~Folders() {
            std::error_code ec;
            for (const auto& path : paths) std::filesystem::remove_all(path, ec);
        }
    };
    static Folders folders;
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) CheckFailed("mkdtemp(pattern.data())", __FILE__, __LINE__);
    folders.paths.emplace_back(pattern);
    return pattern;
}

// A private Nimbrel home and run-time folder, as the test suite gives each test; for
// LLVMFuzzerInitialize, before anything reads the environment.
inline void UsePrivateHome() {
    const std::filesystem::path home = TemporaryFolder();
    setenv("NIMBREL_HOME", home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    unsetenv("NIMBREL_WORLD");
}

}  // namespace fuzzsupport

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::fuzzsupport::CheckFailed(#condition, __FILE__, __LINE__))
