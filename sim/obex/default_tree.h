#pragma once
// Where a simulated device keeps its objects when the world names no folder: under the data
// folder, "sim/<address>/files" (File Transfer) and "sim/<address>/inbox" (Object Push). The
// files folder starts as a small invented phone tree, made on first use.
#include <cstdint>
#include <filesystem>

namespace sim {

std::filesystem::path DeviceDataFolder(std::uint64_t address);

// The File Transfer root of `address`, with its invented tree when it did not exist yet:
// "Images" (a picture, and "2006" with a photo), "Sounds" (a ring tone), "Documents" (a text
// file and "Café menu.txt"), and "Readme.txt". Empty when it cannot be made.
std::filesystem::path DefaultFileTree(std::uint64_t address);

std::filesystem::path DefaultInbox(std::uint64_t address);

}  // namespace sim
