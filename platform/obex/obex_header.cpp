#include "platform/obex/obex_header.h"

#include <algorithm>

#include "platform/text/utf.h"

namespace obex {
namespace {

constexpr std::size_t kHeaderPrefixSize = 3;  // identifier and 2-byte length
constexpr std::size_t kMaxHeaderSize = 0xFFFF;

void PutU16(Bytes* out, std::size_t value) {
    out->push_back(static_cast<std::uint8_t>(value >> 8));
    out->push_back(static_cast<std::uint8_t>(value));
}

void PutU32(Bytes* out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<std::uint8_t>(value >> shift));
}

std::size_t ReadU16(const std::uint8_t* p) { return static_cast<std::size_t>(p[0]) << 8 | p[1]; }

// Text goes out as UTF-16BE units ending in 0x0000; empty text as no units at all.
std::size_t UnicodePayloadSize(const std::wstring& text) {
    return text.empty() ? 0 : 2 * (platform::Utf16Length(text) + 1);
}

CodecError DecodeUnicode(std::span<const std::uint8_t> payload, std::wstring* text) {
    if (payload.empty()) {
        text->clear();
        return CodecError::None;
    }
    if (payload.size() % 2 != 0) return CodecError::UnicodeOddLength;
    std::u16string units(payload.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(payload[2 * i] << 8 | payload[2 * i + 1]);
    if (units.back() != 0) return CodecError::UnicodeUnterminated;
    units.pop_back();
    if (units.find(u'\0') != std::u16string::npos) return CodecError::UnicodeEmbeddedNul;
    *text = platform::WideFromUtf16(units);
    return CodecError::None;
}

CodecError Check(const Header& header) {
    if (!header.Valid()) return CodecError::HeaderValueMismatch;
    if (const auto* text = header.text(); text && text->find(L'\0') != std::wstring::npos)
        return CodecError::UnicodeEmbeddedNul;
    if (header.EncodedSize() > kMaxHeaderSize) return CodecError::PacketTooLarge;
    return CodecError::None;
}

void EncodeOne(const Header& header, Bytes* out) {
    out->push_back(header.id());
    if (const auto* text = header.text()) {
        PutU16(out, kHeaderPrefixSize + UnicodePayloadSize(*text));
        if (text->empty()) return;
        for (char16_t unit : platform::Utf16FromWide(*text)) PutU16(out, unit);
        PutU16(out, 0);
    } else if (const auto* bytes = header.bytes()) {
        PutU16(out, kHeaderPrefixSize + bytes->size());
        out->insert(out->end(), bytes->begin(), bytes->end());
    } else if (const auto* byte = header.byte()) {
        out->push_back(*byte);
    } else {
        PutU32(out, *header.quad());
    }
}

}  // namespace

const char* CodecErrorText(CodecError error) {
    switch (error) {
        case CodecError::None: return "no error";
        case CodecError::PacketTruncated: return "packet shorter than its code and length";
        case CodecError::LengthMismatch: return "packet length field disagrees with the bytes";
        case CodecError::ConnectTooShort: return "CONNECT packet without its version, flags and maximum length";
        case CodecError::SetPathTooShort: return "SETPATH packet without its flags and constants";
        case CodecError::HeaderTruncated: return "header runs past the end of the packet";
        case CodecError::HeaderLengthInvalid: return "header length shorter than its prefix";
        case CodecError::UnicodeOddLength: return "Unicode header of odd length";
        case CodecError::UnicodeUnterminated: return "Unicode header without its terminating 0x0000";
        case CodecError::UnicodeEmbeddedNul: return "Unicode header with a NUL inside its text";
        case CodecError::HeaderValueMismatch: return "header value does not fit its identifier";
        case CodecError::PacketTooLarge: return "packet larger than the receiver accepts";
    }
    return "unknown error";
}

Header Header::Type(std::string_view type) {
    Bytes bytes(type.begin(), type.end());
    bytes.push_back(0);
    return Header(hid::kType, std::move(bytes));
}

std::string_view Header::TypeText() const {
    const Bytes* value = bytes();
    if (id_ != hid::kType || !value) return {};
    std::string_view text(reinterpret_cast<const char*>(value->data()), value->size());
    return text.substr(0, text.find('\0'));
}

std::size_t Header::EncodedSize() const {
    if (const auto* value = text()) return kHeaderPrefixSize + UnicodePayloadSize(*value);
    if (const auto* value = bytes()) return kHeaderPrefixSize + value->size();
    return byte() ? 2 : 5;
}

const Header* FindHeader(const std::vector<Header>& headers, std::uint8_t id) {
    auto it = std::find_if(headers.begin(), headers.end(), [id](const Header& h) { return h.id() == id; });
    return it == headers.end() ? nullptr : &*it;
}

std::size_t EncodedSize(const std::vector<Header>& headers) {
    std::size_t size = 0;
    for (const auto& header : headers) size += header.EncodedSize();
    return size;
}

CodecError CheckHeaders(const std::vector<Header>& headers) {
    for (const auto& header : headers)
        if (CodecError error = Check(header); error != CodecError::None) return error;
    return CodecError::None;
}

CodecError EncodeHeaders(const std::vector<Header>& headers, Bytes* out) {
    if (CodecError error = CheckHeaders(headers); error != CodecError::None) return error;
    out->reserve(out->size() + EncodedSize(headers));
    for (const auto& header : headers) EncodeOne(header, out);
    return CodecError::None;
}

CodecError DecodeHeaders(std::span<const std::uint8_t> bytes, std::vector<Header>* out) {
    std::vector<Header> headers;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::uint8_t id = bytes[at];
        const std::size_t left = bytes.size() - at;
        switch (EncodingOf(id)) {
            case HeaderEncoding::Byte:
                if (left < 2) return CodecError::HeaderTruncated;
                headers.emplace_back(id, bytes[at + 1]);
                at += 2;
                break;
            case HeaderEncoding::Quad: {
                if (left < 5) return CodecError::HeaderTruncated;
                const std::uint8_t* p = &bytes[at + 1];
                headers.emplace_back(id, static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
                                             static_cast<std::uint32_t>(p[2]) << 8 | p[3]);
                at += 5;
                break;
            }
            case HeaderEncoding::Unicode:
            case HeaderEncoding::Bytes: {
                if (left < kHeaderPrefixSize) return CodecError::HeaderTruncated;
                const std::size_t length = ReadU16(&bytes[at + 1]);
                if (length < kHeaderPrefixSize) return CodecError::HeaderLengthInvalid;
                if (length > left) return CodecError::HeaderTruncated;
                const auto payload = bytes.subspan(at + kHeaderPrefixSize, length - kHeaderPrefixSize);
                if (EncodingOf(id) == HeaderEncoding::Bytes) {
                    headers.emplace_back(id, Bytes(payload.begin(), payload.end()));
                } else {
                    std::wstring text;
                    if (CodecError error = DecodeUnicode(payload, &text); error != CodecError::None) return error;
                    headers.emplace_back(id, std::move(text));
                }
                at += length;
                break;
            }
        }
    }
    *out = std::move(headers);
    return CodecError::None;
}

}  // namespace obex
