#include "sim/obex/default_tree.h"

#include <random>

#include <fstream>
#include <string_view>

#include "platform/bluetooth/bt_address.h"
#include "platform/kernel/paths.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

// A 2x2 picture: red, green, blue and white.
constexpr unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xfd, 0xd4, 0x9a, 0x73, 0x00, 0x00, 0x00, 0x12, 0x49,
    0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xf8, 0xcf, 0xc0, 0xc0, 0x00, 0xc2, 0x0c, 0xff, 0x81, 0x00, 0x00, 0x1f, 0xee,
    0x05, 0xfb, 0xf1, 0xab, 0xba, 0x77, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// The frame of a JPEG file (start, application header, end) around made-up data.
std::string JpegLike() {
    std::string bytes = "\xFF\xD8\xFF\xE0";
    bytes += std::string("\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 16);
    for (int i = 0; i < 2048; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
    return bytes + "\xFF\xD9";
}

bool WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool MakeTree(const fs::path& root) {
    std::error_code ec;
    for (const char* folder : {"Images/2006", "Sounds", "Documents"}) fs::create_directories(root / folder, ec);
    if (ec) return false;
    const std::string_view png(reinterpret_cast<const char*>(kPng), sizeof kPng);
    return WriteFile(root / "Images" / "Logo.png", png) && WriteFile(root / "Images" / "2006" / "Beach.jpg", JpegLike()) &&
           WriteFile(root / "Sounds" / "Ring.amr", "#!AMR\n\x3c\x91\x17\x16\xbe\x66\x78\x00") &&
           WriteFile(root / "Documents" / "Notes.txt", "Buy milk.\nCall the garage about the car.\n") &&
           WriteFile(root / "Documents" / "Caf\xC3\xA9 menu.txt", "Espresso 1.80\nCr\xC3\xA8me br\xC3\xBBl\xC3\xA9" "e 4.50\n") &&
           WriteFile(root / "Readme.txt", "Files of the simulated phone.\n");
}

}  // namespace

fs::path DeviceDataFolder(std::uint64_t address) {
    return platform::NimbrelHome() / "sim" / bth::AddressDigits(address);
}

fs::path DefaultFileTree(std::uint64_t address) {
    const fs::path root = DeviceDataFolder(address) / "files";
    std::error_code ec;
    if (fs::is_directory(root, ec)) return root;
    // Made aside, then renamed into place: two first uses never see half a tree.
    const fs::path building = DeviceDataFolder(address) / ("files.new-" + std::to_string(std::random_device{}()));
    fs::remove_all(building, ec);
    const bool made = MakeTree(building);
    if (made) fs::rename(building, root, ec);
    fs::remove_all(building, ec);
    return fs::is_directory(root, ec) ? root : fs::path();
}

fs::path DefaultInbox(std::uint64_t address) { return DeviceDataFolder(address) / "inbox"; }

}  // namespace sim
