#include "bluez/profile/record_xml.h"

#include <cstdio>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_record.h"
#include "platform/text/xml_escape.h"

namespace bluez {
namespace {

using sdp::DataElement;
using sdp::ElementType;

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[3];
    for (std::uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

// Text as an XML attribute value; bytes that are not printable ASCII make it hex instead, as
// bluetoothd's own converter does.
std::string TextElement(const char* tag, std::string_view bytes) {
    bool printable = true;
    for (unsigned char c : bytes) printable = printable && c >= 0x20 && c < 0x7F;
    if (!printable)
        return std::string("<") + tag + " encoding=\"hex\" value=\"" +
               Hex({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}) + "\" />";
    return std::string("<") + tag + " value=\"" + platform::XmlEscape(bytes) + "\" />";
}

std::string Element(const DataElement& element) {
    const std::size_t width = element.width();
    switch (element.type()) {
        case ElementType::Nil: return "<nil />";
        case ElementType::UnsignedInt: {
            const char* tags[] = {"uint8", "uint16", "uint32", "uint64", "uint128"};
            const std::size_t index = width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : width == 8 ? 3 : 4;
            return std::string("<") + tags[index] + " value=\"0x" + Hex(element.IntegerBytes()) + "\" />";
        }
        case ElementType::SignedInt: {
            const char* tags[] = {"int8", "int16", "int32", "int64", "int128"};
            const std::size_t index = width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : width == 8 ? 3 : 4;
            if (index == 4) return std::string("<int128 value=\"0x") + Hex(element.IntegerBytes()) + "\" />";
            return std::string("<") + tags[index] + " value=\"" + std::to_string(*element.AsSigned()) + "\" />";
        }
        case ElementType::Uuid: {
            const sdp::Uuid uuid = *element.AsUuid();
            const auto shortForm = uuid.ToShort();
            char text[16];
            if (width == 2 && shortForm) std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(*shortForm));
            else if (width == 4 && shortForm) std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(*shortForm));
            else return "<uuid value=\"" + uuid.ToString() + "\" />";
            return std::string("<uuid value=\"") + text + "\" />";
        }
        case ElementType::Text: return TextElement("text", *element.AsText());
        case ElementType::Url: return TextElement("url", *element.AsUrl());
        case ElementType::Boolean: return *element.AsBool() ? "<boolean value=\"true\" />" : "<boolean value=\"false\" />";
        case ElementType::Sequence:
        case ElementType::Alternative: {
            const char* tag = element.type() == ElementType::Sequence ? "sequence" : "alternate";
            std::string xml = std::string("<") + tag + ">";
            for (const DataElement& child : element.Children()) xml += Element(child);
            return xml + "</" + tag + ">";
        }
    }
    return "<nil />";
}

}  // namespace

std::optional<std::string> RecordXml(const std::vector<std::uint8_t>& stream) {
    DataElement element;
    std::size_t consumed = 0;
    if (!sdp::Decode(stream, &element, &consumed) || consumed != stream.size()) return std::nullopt;
    const auto record = sdp::Record::FromElement(element);
    if (!record) return std::nullopt;
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><record>";
    for (const auto& [id, value] : record->attributes()) {
        char attribute[32];
        std::snprintf(attribute, sizeof attribute, "<attribute id=\"0x%04x\">", id);
        xml += attribute + Element(value) + "</attribute>";
    }
    return xml + "</record>";
}

}  // namespace bluez
