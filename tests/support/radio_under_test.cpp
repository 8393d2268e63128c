#include "support/radio_under_test.h"

#include <gtest/gtest.h>

#include "bluez/bluez_backend.h"
#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/bt_backend.h"
#include "platform/registry/registry.h"
#include "sim/radio.h"
#include "sim/simulated_radio.h"
#include "support/fake_bluez.h"

namespace testsupport {
namespace {

std::string Upper(BT_ADDR address) {
    std::string text = bth::FormatAddress(address);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class SimulatedRadio final : public RadioUnderTest {
public:
    bool Start(const std::vector<RadioDevice>& devices) override {
        std::string json = R"({"timing": {"inquiry_ms": 0, "sdp_ms": 0, "name_ms": 0, "pair_ms": 0}, "devices": [)";
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const RadioDevice& device = devices[i];
            char deviceClass[16];
            std::snprintf(deviceClass, sizeof deviceClass, "0x%06X", device.deviceClass);
            json += (i ? "," : "") + std::string(R"({"name": ")") + device.name + R"(", "address": ")" +
                    Upper(device.address) + R"(", "class": ")" + deviceClass + R"(", "pin": ")" + device.pin +
                    R"(", "services": [)";
            for (std::size_t p = 0; p < device.profiles.size(); ++p)
                json += (p ? "," : "") + std::string(R"({"profile": ")") + device.profiles[p] + R"("})";
            json += "]}";
        }
        json += "]}";
        sim::World world;
        std::string error;
        if (!sim::ParseWorld(json, "the test's neighbourhood", &world, &error)) {
            ADD_FAILURE() << error;
            return false;
        }
        sim::InstallSimulatedRadio(world);
        return true;
    }
    void SimulateLeave(BT_ADDR address) override { sim::Radio::Instance().Leave(address); }
    void SimulateReturn(BT_ADDR address) override { sim::Radio::Instance().Return(address); }
    void SimulatePairRequest(BT_ADDR address) override { sim::Radio::Instance().RaisePinRequest(address); }
};

class BlueZRadio final : public RadioUnderTest {
public:
    // The backend lets go of bluetoothd before the fake goes.
    ~BlueZRadio() override { bth::InstallBackend(nullptr); }
    bool Start(const std::vector<RadioDevice>& devices) override {
        if (!fake_.Start()) return false;
        SetInquiryLength(300);
        for (const RadioDevice& device : devices) {
            FakeDevice fake{.name = device.name, .deviceClass = device.deviceClass, .pin = device.pin};
            for (const std::string& profile : device.profiles)
                fake.uuids.push_back(profile == "spp" ? "1101" : profile == "dun" ? "1103" : profile == "opp" ? "1105" : "1106");
            if (!fake_.AddDevice(Upper(device.address), fake)) return false;
        }
        std::string error;
        if (!bluez::InstallBlueZ(10000, &error)) {
            ADD_FAILURE() << error;
            return false;
        }
        return true;
    }
    void SimulateLeave(BT_ADDR address) override { fake_.Leave(Upper(address)); }
    void SimulateReturn(BT_ADDR address) override { fake_.Return(Upper(address)); }
    void SimulatePairRequest(BT_ADDR address) override { fake_.RequestPin(Upper(address)); }

private:
    static void SetInquiryLength(DWORD ms) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"Inquiry Length", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ms), sizeof ms);
        RegCloseKey(key);
    }

    FakeBlueZ fake_;
};

}  // namespace

RadioUnderTest::~RadioUnderTest() { bth::InstallBackend(nullptr); }

std::unique_ptr<RadioUnderTest> RadioUnderTest::Make(RadioKind kind) {
    if (kind == RadioKind::BlueZ) return std::make_unique<BlueZRadio>();
    return std::make_unique<SimulatedRadio>();
}

const char* RadioName(RadioKind kind) { return kind == RadioKind::BlueZ ? "BlueZ" : "Simulated"; }

}  // namespace testsupport
