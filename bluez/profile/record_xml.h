#pragma once
// A service record in the XML form bluetoothd takes as a profile's ServiceRecord option (the
// form of its sdp-xml: <record>, <attribute id="0x...">, one element per data element).
#include <optional>
#include <string>
#include <vector>

namespace bluez {

// The XML of an encoded record stream; none when the stream is no record.
std::optional<std::string> RecordXml(const std::vector<std::uint8_t>& record);

}  // namespace bluez
