#pragma once
// One radio for the engine's tests, whichever backend is under it: the simulated radio or
// the BlueZ backend on a fake bluetoothd. A test describes the neighbourhood once and steers
// it with the Simulate verbs; the engine sees the same devices either way.
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/types.h"

namespace testsupport {

enum class RadioKind { Simulated, BlueZ };

struct RadioDevice {
    BT_ADDR address = 0;
    std::string name;
    std::uint32_t deviceClass = 0;
    std::vector<std::string> profiles;  // "spp", "dun", "opp", "ftp"
    std::string pin = "0000";
};

class RadioUnderTest {
public:
    static std::unique_ptr<RadioUnderTest> Make(RadioKind kind);
    // The installed backend goes with it.
    virtual ~RadioUnderTest();

    // Makes the neighbourhood and installs the radio as this process's backend; false after a
    // test failure.
    virtual bool Start(const std::vector<RadioDevice>& devices) = 0;
    // The device goes out of range (its links drop) / comes back.
    virtual void SimulateLeave(BT_ADDR address) = 0;
    virtual void SimulateReturn(BT_ADDR address) = 0;
    // The device asks us to pair.
    virtual void SimulatePairRequest(BT_ADDR address) = 0;
};

const char* RadioName(RadioKind kind);

}  // namespace testsupport
