#pragma once
// bluetoothd lists a device's services as UUIDs and finds their RFCOMM channels itself when it
// connects. The engine reads services from SDP records: these are the records of the profiles
// it handles, made from the UUID list, in the engine's order (serial port, dial-up networking,
// object push, file transfer).
#include <string>
#include <vector>

#include "platform/bluetooth/sdp_record.h"

namespace bluez {

std::vector<sdp::Record> ProfileRecords(const std::vector<std::string>& uuids);

}  // namespace bluez
