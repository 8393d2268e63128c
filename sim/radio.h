#pragma once
// The simulated radio: the local adapter behind "BTD0:" and "BTS1:", and the neighbourhood
// of the world it was given. One per process.
#include <cstdint>
#include <mutex>
#include <string>

#include <vector>

#include "platform/bluetooth/bt_driver.h"
#include "platform/kernel/types.h"
#include "sim/world.h"

namespace sim {

struct AdapterState {
    std::uint8_t scanMask = 0;
    std::uint8_t authentication = 0;
    std::uint32_t hardwareReads = 0;  // hardware status reads so far
    bool stackStarted = false;        // "card" start requests received on "BTD0:"
    bool serviceRunning = true;       // "BTS1:" service state
    std::uint32_t serviceStops = 0;
    std::uint32_t serviceStarts = 0;
    std::uint32_t stackStarts = 0;
    std::uint32_t stackRequests = 0;  // call-block requests received on "BTD0:"
};

class Radio {
public:
    static Radio& Instance();

    // Loads the world the environment names (once per process; see LoadConfiguredWorld).
    void EnsureBooted();
    // Boots with `chosen` when it is the first use, else replaces the world with it.
    void Boot(const World* chosen);
    // Replaces the world and resets all state; the adapter's devices come and go with it.
    void Reset(const World& world);

    World world() const;
    AdapterState adapter() const;
    bool HasFault(const std::string& fault) const;

    // Local adapter requests; each returns a system error code (0 on success).
    DWORD StartStack();
    DWORD ServiceControl(bool start);
    DWORD ReadScanMask(std::uint8_t* mask);
    DWORD WriteScanMask(std::uint8_t mask);
    DWORD ReadAuthentication(std::uint8_t* value);
    DWORD WriteAuthentication(std::uint8_t value);
    DWORD ReadClass(std::uint32_t* classOfDevice);
    DWORD ReadAddress(std::uint64_t* address);
    DWORD ReadHardwareStatus(std::uint32_t* status);
    // Fills up to `capacity` records and reports how many links there are.
    DWORD ReadBasebandConnections(BthDriverConnection* records, DWORD capacity, DWORD* count);

    void CountRequest();
    // Baseband links to remote devices, as the link layer sees them.
    void SetBasebandLinks(const std::vector<BthDriverConnection>& links);

private:
    Radio() = default;
    void InstallDevices(const World& world);

    mutable std::mutex mutex_;
    std::once_flag booted_;
    World world_;
    AdapterState adapter_;
    std::vector<BthDriverConnection> links_;
};

// Convenience for tests and tools: boot, then use this world.
void UseWorld(const World& world);
bool UseWorldText(const std::string& json, std::string* error);

}  // namespace sim
