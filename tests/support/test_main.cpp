// Every test program runs each test in a process of its own (see tests/CMakeLists.txt);
// this entry point gives that process a fresh, private Nimbrel home folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 2;
    setenv("NIMBREL_HOME", pattern.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
    unsetenv("NIMBREL_WORLD");
    int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
    return result;
}
