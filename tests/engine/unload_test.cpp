#include <gtest/gtest.h>

#include "support/tools.h"

namespace {

size_t Count(const std::string& text, const std::string& line) {
    size_t count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
    return count;
}

TEST(ErrorManagerUnload, ProcessExitStopsTheDispatcherAndDropsQueuedReports) {
    std::string output;
    ASSERT_EQ(testsupport::RunCommand(testsupport::ToolPath("nimbrel-unload-probe"), &output), 0) << output;
    EXPECT_EQ(Count(output, "posted\n"), 1u);
    EXPECT_LT(Count(output, "delivered\n"), 200u);
}

}  // namespace
