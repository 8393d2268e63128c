// Serial links over bluetoothd's profiles, and the local record database.
#include <cstdio>

#include "bluez/bluez_radio.h"

namespace bluez {

DWORD BlueZRadio::ConnectSerial(BT_ADDR address, const sdp::Uuid& serviceClass, std::uint8_t, bth::SerialSink* sink,
                                std::unique_ptr<bth::SerialLink>* link) {
    const auto adapter = connection_.cache().Adapter();
    if (!adapter) return ERROR_DEV_NOT_EXIST;
    if (!adapter->powered) return ERROR_NOT_READY;
    const std::string device = DevicePath(address);
    if (device.empty()) return ERROR_TIMEOUT;  // bluetoothd does not know it: out of reach
    return profiles_.Connect(device, serviceClass, sink, link);
}

DWORD BlueZRadio::ListenSerial(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) {
    if (!sink || !link) return ERROR_INVALID_PARAMETER;
    return profiles_.Listen(sink, link);
}

DWORD BlueZRadio::PublishRecord(const std::vector<std::uint8_t>& record, std::uint32_t* handle) {
    std::lock_guard lock(recordsMutex_);
    return records_.Publish(record, handle);
}

DWORD BlueZRadio::RemoveRecord(std::uint32_t handle) {
    std::lock_guard lock(recordsMutex_);
    return records_.Remove(handle);
}

DWORD BlueZRadio::ReadPublishedRecord(std::uint32_t handle, std::vector<std::uint8_t>* record) {
    std::lock_guard lock(recordsMutex_);
    return records_.Read(handle, record);
}

}  // namespace bluez
