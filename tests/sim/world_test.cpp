#include <gtest/gtest.h>

#include <fstream>

#include "platform/kernel/paths.h"
#include "sim/world/world.h"
#include "support/tools.h"

namespace {

std::string ParseError(const std::string& text) {
    sim::World world;
    std::string error;
    EXPECT_FALSE(sim::ParseWorld(text, "w.json", &world, &error)) << text;
    return error;
}

TEST(World, DefaultWorldIsAPlausibleNeighbourhood) {
    sim::World world;
    std::string error;
    ASSERT_TRUE(sim::ParseWorld(sim::DefaultWorldText(), "default", &world, &error)) << error;
    EXPECT_EQ(world.adapter.name, "Pocket PC");
    EXPECT_EQ(world.adapter.address, 0x000A3A123456ull);
    EXPECT_EQ(world.adapter.classOfDevice, 0x120114u);
    ASSERT_EQ(world.devices.size(), 4u);
    EXPECT_EQ(world.devices[0].address, 0x0012AB34CD56ull);
    EXPECT_EQ(world.devices[0].services.size(), 3u);
    EXPECT_GT(world.timing.inquiryMs, 0u);
}

TEST(World, ErrorsNameTheFileAndTheOffendingField) {
    EXPECT_NE(ParseError(R"({"adapter": {"address": "00:0A:3A:12:34"}})").find("w.json: field \"adapter.address\""),
              std::string::npos);
    EXPECT_NE(
        ParseError(R"({"devices": [{"address": "00:00:00:00:00:01"}, {"name": "x"}]})").find("devices[1].address"),
        std::string::npos);
    EXPECT_NE(ParseError(R"({"devices": [{"address": "00:00:00:00:00:01", "services": [{"profile": "hid"}]}]})")
                  .find("devices[0].services[0].profile"),
              std::string::npos);
    EXPECT_NE(ParseError(R"({"adapter": {"hardware": "melted"}})").find("adapter.hardware"), std::string::npos);
    EXPECT_NE(ParseError(R"({"adapter": {"class": "0x1000000"}})").find("adapter.class"), std::string::npos);
    EXPECT_NE(ParseError(R"({"adapter": {"clas": 1}})").find("adapter.clas"), std::string::npos);
    EXPECT_NE(ParseError(R"({"timing": {"inquiry_ms": -5}})").find("timing.inquiry_ms"), std::string::npos);
    EXPECT_NE(ParseError(R"({"devices": [{"address": "00:00:00:00:00:01"}, {"address": "00:00:00:00:00:01"}]})")
                  .find("is used by another device"),
              std::string::npos);
    EXPECT_NE(ParseError(R"([1, 2])").find("must be an object"), std::string::npos);
    EXPECT_NE(ParseError(R"({"devices": [{"address": "00:00:00:00:00:01", "services": [{"profile": "opp", "endpoint": "echo"}]}]})")
                  .find("services[0].endpoint"),
              std::string::npos);
    EXPECT_NE(ParseError(R"({"devices": [{"address": "00:00:00:00:00:01", "services": [{"profile": "spp", "endpoint": "fax"}]}]})")
                  .find("services[0].endpoint"),
              std::string::npos);
    EXPECT_NE(ParseError(R"({"timing": {"nmea_ms": 0}})").find("timing.nmea_ms"), std::string::npos);
    EXPECT_NE(ParseError(R"({"devices": [{"address": "00:00:00:00:00:01", "pin": "12345678901234567"}]})")
                  .find("devices[0].pin"),
              std::string::npos);
    // Nine characters, seventeen bytes.
    EXPECT_NE(ParseError(R"({"devices": [{"address": "00:00:00:00:00:01", "pin": "üüüüüüüüx"}]})")
                  .find("devices[0].pin\" must be 1 to 16 bytes"),
              std::string::npos);
    EXPECT_NE(ParseError(R"({"devices": [{"address": "00:00:00:00:00:01", "pairing": "maybe"}]})")
                  .find("devices[0].pairing"),
              std::string::npos);
    EXPECT_NE(ParseError(R"({"events": [{"type": "teleport", "device": "00:00:00:00:00:01"}]})").find("events[0].type"),
              std::string::npos);
    const std::string device = R"({"devices": [{"address": "00:00:00:00:00:01", "services": [)";
    for (const char* service : {R"({"profile": "ftp", "faults": ["abort-after:"]})", R"({"profile": "opp", "faults": ["drop-after:-1"]})",
                                R"({"profile": "ftp", "faults": ["refuse-put:3"]})", R"({"profile": "ftp", "obex_tcp": "127.0.0.1:0"})",
                                R"({"profile": "spp", "root": "/tmp"})", R"({"profile": "ftp", "inbox": "/tmp"})"})
        EXPECT_NE(ParseError(device + service + "]}]}").find("devices[0].services[0]."), std::string::npos) << service;
}

TEST(World, SyntaxErrorsGiveLineAndColumn) {
    std::string error = ParseError("{\n  \"adapter\": {\n    \"name\": \"x\",,\n  }\n}");
    EXPECT_NE(error.find("w.json: JSON syntax error at line 3, column 17"), std::string::npos) << error;
    EXPECT_NE(ParseError("").find("line 1"), std::string::npos);
    // A number no double holds is an error, not an exception out of the parser.
    EXPECT_NE(ParseError(R"({"timing": {"pair_ms": 4e4444}})").find("out of range"), std::string::npos);
}

TEST(World, ToolsRefuseABadWorldFileWithStatusTwo) {
    auto path = platform::NimbrelHome() / "bad.json";
    std::ofstream(path) << "{ \"devices\": [ { \"address\": 12 } ] }";
    std::string output;
    int status = testsupport::RunCommand(
        testsupport::ToolPath("nimbrelctl") + " --world " + path.string() + " status 2>&1", &output);
    EXPECT_EQ(status, 2);
    EXPECT_NE(output.find("bad.json: field \"devices[0].address\""), std::string::npos) << output;
    status = testsupport::RunCommand(testsupport::ToolPath("nimbrelctl") + " --world /nonexistent.json status 2>&1",
                                     &output);
    EXPECT_EQ(status, 2);
}

}  // namespace
