#pragma once
// Gives the simulated radio the world of a test, written as JSON.
#include <gtest/gtest.h>

#include <string>

#include "sim/radio.h"

namespace testsupport {

inline void UseWorld(const std::string& json) {
    std::string error;
    ASSERT_TRUE(sim::UseWorldText(json, &error)) << error;
}

}  // namespace testsupport
