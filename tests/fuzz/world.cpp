// The simulated radio's world file (JSON): any text, as a user may write it. A refused world
// says why, naming the file.
#include <string>

#include "fuzz_support.h"
#include "sim/world/world.h"

namespace {
const std::string kSource = "fuzzed-world.json";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput) return 0;
    sim::World world;
    std::string error;
    if (!sim::ParseWorld(std::string(fuzzsupport::Text(data, size)), kSource, &world, &error)) {
        FUZZ_CHECK(error.rfind(kSource + ": ", 0) == 0);
        return 0;
    }
    FUZZ_CHECK(error.empty());
    for (const sim::WorldDevice& device : world.devices) FUZZ_CHECK(sim::FindDevice(world, device.address) == &device);
    return 0;
}
