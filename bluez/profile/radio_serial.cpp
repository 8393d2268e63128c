// Serial links over bluetoothd's profiles, and the local record database.
#include <cstdio>

#include "bluez/bluez_radio.h"
#include "bluez/profile/record_xml.h"
#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"

namespace bluez {
namespace {

std::optional<sdp::Record> ParseRecord(const std::vector<std::uint8_t>& stream) {
    sdp::DataElement element;
    std::size_t consumed = 0;
    if (!sdp::Decode(stream, &element, &consumed)) return std::nullopt;
    return sdp::Record::FromElement(element);
}

}  // namespace

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

DWORD BlueZRadio::ListenObex(const sdp::Uuid& serviceClass, bth::IncomingLinks* listener,
                             std::unique_ptr<bth::Listening>* listening, std::string* holder) {
    return profiles_.ListenObex(serviceClass, listener, listening, holder);
}

DWORD BlueZRadio::PublishRecord(const std::vector<std::uint8_t>& record, std::uint32_t* handle) {
    {
        std::lock_guard lock(recordsMutex_);
        if (DWORD error = records_.Publish(record, handle)) return error;
    }
    // Our serial-port server's record: bluetoothd publishes it with the server's profile.
    const std::uint8_t channel = profiles_.ServerChannel();
    const auto parsed = ParseRecord(record);
    if (!channel || !parsed || !sdp::HasServiceClass(*parsed, sdp::uuids::kSerialPort) ||
        sdp::RfcommChannel(*parsed) != channel)
        return ERROR_SUCCESS;
    const auto xml = RecordXml(record);
    if (DWORD error = xml ? profiles_.SetServerRecord(*xml) : ERROR_INVALID_DATA) {
        std::lock_guard lock(recordsMutex_);
        records_.Remove(*handle);
        return error;
    }
    std::lock_guard lock(recordsMutex_);
    serverRecordHandle_ = *handle;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::RemoveRecord(std::uint32_t handle) {
    bool serverRecord = false;
    {
        std::lock_guard lock(recordsMutex_);
        if (DWORD error = records_.Remove(handle)) return error;
        serverRecord = handle == serverRecordHandle_;
        if (serverRecord) serverRecordHandle_ = 0;
    }
    if (serverRecord) profiles_.SetServerRecord({});  // bluetoothd's standard record again
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::ReadPublishedRecord(std::uint32_t handle, std::vector<std::uint8_t>* record) {
    std::lock_guard lock(recordsMutex_);
    return records_.Read(handle, record);
}

}  // namespace bluez
