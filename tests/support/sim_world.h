#pragma once
// Gives the simulated radio the world of a test, written as JSON, and makes it this
// process's Bluetooth backend.
#include <gtest/gtest.h>

#include <string>

#include "sim/radio.h"
#include "sim/simulated_radio.h"

namespace testsupport {

inline void UseWorld(const std::string& json) {
    sim::World world;
    std::string error;
    ASSERT_TRUE(sim::ParseWorld(json, "the test world", &world, &error)) << error;
    sim::InstallSimulatedRadio(world);
}

}  // namespace testsupport
