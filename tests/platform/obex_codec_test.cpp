// OBEX packets and headers against literal bytes; malformed and truncated input.
#include <gtest/gtest.h>

#include <deque>

#include "platform/obex/obex_packet.h"
#include "platform/obex/obex_packet_reader.h"

namespace obex {
namespace {

const std::uint8_t kFolderBrowsing[16] = {0xF9, 0xEC, 0x7B, 0xC4, 0x95, 0x3C, 0x11, 0xD2,
                                          0x98, 0x4E, 0x52, 0x54, 0x00, 0xDC, 0x9E, 0x09};

// CONNECT (version 1.0, flags 0, maximum 65535) with the folder-browsing Target.
const Bytes kConnect = {0x80, 0x00, 0x1A, 0x10, 0x00, 0xFF, 0xFF, 0x46, 0x00, 0x13, 0xF9, 0xEC, 0x7B,
                        0xC4, 0x95, 0x3C, 0x11, 0xD2, 0x98, 0x4E, 0x52, 0x54, 0x00, 0xDC, 0x9E, 0x09};
// GET, final: Connection Id 1, empty Name, Type "x-obex/folder-listing".
const Bytes kGet = {0x83, 0x00, 0x24, 0xCB, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x03, 0x42, 0x00, 0x19,
                    'x',  '-',  'o',  'b',  'e',  'x',  '/',  'f',  'o',  'l',  'd',  'e',  'r',  '-',
                    'l',  'i',  's',  't',  'i',  'n',  'g',  0x00};
// SETPATH "up", then into "é" (UTF-16BE with its terminator).
const Bytes kSetPath = {0x85, 0x00, 0x0C, 0x03, 0x00, 0x01, 0x00, 0x07, 0x00, 0xE9, 0x00, 0x00};

TEST(ObexCodec, EncodesAndDecodesLiteralPackets) {
    Request connect;
    connect.opcode = Opcode::Connect;
    connect.headers = {Header::Target(kFolderBrowsing)};
    Request get;
    get.headers = {Header::ConnectionId(1), Header::Name(L""), Header::Type("x-obex/folder-listing")};
    Request setPath;
    setPath.opcode = Opcode::SetPath;
    setPath.setPathFlags = kSetPathBackup | kSetPathNoCreate;
    setPath.headers = {Header::Name(L"\u00E9")};

    for (const auto& [request, bytes] : {std::pair{connect, kConnect}, {get, kGet}, {setPath, kSetPath}}) {
        Bytes encoded;
        ASSERT_EQ(EncodeRequest(request, &encoded), CodecError::None);
        EXPECT_EQ(encoded, bytes);
        Request decoded;
        ASSERT_EQ(DecodeRequest(bytes, &decoded), CodecError::None);
        EXPECT_EQ(decoded, request);
    }
    Request decoded;
    ASSERT_EQ(DecodeRequest(kGet, &decoded), CodecError::None);
    EXPECT_EQ(FindHeader(decoded.headers, hid::kType)->TypeText(), "x-obex/folder-listing");

    // The answer to a CONNECT has the fixed fields; a Continue carries the final bit too.
    const Bytes answer = {0xA0, 0x00, 0x0C, 0x10, 0x00, 0x01, 0x00, 0xCB, 0x12, 0x34, 0x56, 0x78};
    Response response;
    ASSERT_EQ(DecodeResponse(answer, true, &response), CodecError::None);
    EXPECT_EQ(response.code, ResponseCode::Success);
    EXPECT_EQ(response.connect, (ConnectFields{0x10, 0, 256}));
    EXPECT_EQ(*FindHeader(response.headers, hid::kConnectionId)->quad(), 0x12345678u);
    Bytes encoded;
    ASSERT_EQ(EncodeResponse(response, &encoded), CodecError::None);
    EXPECT_EQ(encoded, answer);

    // Round trip of every encoding, with text beyond the basic plane (a surrogate pair).
    Response body{ResponseCode::Continue, true, std::nullopt,
                  {Header::Name(L"a\U0001F600.txt"), Header::Body(Bytes(300, 0xAB)), Header(0x97, std::uint8_t{1}),
                   Header::Count(3), Header::EndOfBody({})}};
    ASSERT_EQ(EncodeResponse(body, &encoded), CodecError::None);
    EXPECT_EQ(encoded[0], 0x90);
    ASSERT_EQ(DecodeResponse(encoded, false, &response), CodecError::None);
    EXPECT_EQ(response, body);
}

TEST(ObexCodec, RefusesMalformedPacketsAndValues) {
    const struct {
        const char* what;
        Bytes bytes;
        CodecError error;
    } bad[] = {
        {"two bytes", {0x83, 0x00}, CodecError::PacketTruncated},
        {"length above bytes", {0x83, 0x00, 0x04}, CodecError::LengthMismatch},
        {"length below bytes", {0x83, 0x00, 0x03, 0x00}, CodecError::LengthMismatch},
        {"short CONNECT", {0x80, 0x00, 0x06, 0x10, 0x00, 0xFF}, CodecError::ConnectTooShort},
        {"short SETPATH", {0x85, 0x00, 0x04, 0x02}, CodecError::SetPathTooShort},
        {"header past the end", {0x83, 0x00, 0x08, 0x01, 0x00, 0x07, 0x00, 0x41}, CodecError::HeaderTruncated},
        {"header length 2", {0x83, 0x00, 0x06, 0x48, 0x00, 0x02}, CodecError::HeaderLengthInvalid},
        {"cut 4-byte header", {0x83, 0x00, 0x05, 0xCB, 0x00}, CodecError::HeaderTruncated},
        {"odd Unicode", {0x83, 0x00, 0x07, 0x01, 0x00, 0x04, 0x00}, CodecError::UnicodeOddLength},
        {"unterminated", {0x83, 0x00, 0x08, 0x01, 0x00, 0x05, 0x00, 0x41}, CodecError::UnicodeUnterminated},
        {"NUL inside", {0x83, 0x00, 0x0A, 0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00}, CodecError::UnicodeEmbeddedNul},
    };
    for (const auto& b : bad) {
        Request request;
        EXPECT_EQ(DecodeRequest(b.bytes, &request), b.error) << b.what << ": " << CodecErrorText(b.error);
    }
    Response response;
    EXPECT_EQ(DecodeResponse(Bytes{0xA0, 0x00, 0x03}, true, &response), CodecError::ConnectTooShort);

    Bytes out = {0x55};
    Request request;
    request.headers = {Header::Name(std::wstring(L"a\0b", 3))};
    EXPECT_EQ(EncodeRequest(request, &out), CodecError::UnicodeEmbeddedNul);
    request.headers = {Header(hid::kName, std::uint32_t{1})};
    EXPECT_EQ(EncodeRequest(request, &out), CodecError::HeaderValueMismatch);
    request.headers = {Header::Body(Bytes(40000)), Header::Body(Bytes(40000))};
    EXPECT_EQ(EncodeRequest(request, &out), CodecError::PacketTooLarge);
    EXPECT_EQ(out, Bytes{0x55}) << "left as it was";
}

TEST(ObexCodec, EveryTruncationIsAnErrorButAtHeaderBoundaries) {
    const std::size_t boundaries[] = {3, 8, 11, kGet.size()};
    for (std::size_t n = 0; n < kGet.size(); ++n) {
        const Bytes cut(kGet.begin(), kGet.begin() + static_cast<std::ptrdiff_t>(n));
        Request request;
        EXPECT_NE(DecodeRequest(cut, &request), CodecError::None) << n;
        if (n < 3) continue;
        Bytes relabelled = cut;  // the length field now agrees with the bytes
        relabelled[1] = 0;
        relabelled[2] = static_cast<std::uint8_t>(n);
        const bool boundary = std::find(std::begin(boundaries), std::end(boundaries), n) != std::end(boundaries);
        EXPECT_EQ(DecodeRequest(relabelled, &request) == CodecError::None, boundary) << n;
    }
}

// Gives out scripted pieces; an empty piece reads as an interruption.
class ScriptedStream : public Transport {
public:
    explicit ScriptedStream(std::deque<Bytes> pieces) : pieces_(std::move(pieces)) {}
    TransportResult Send(std::span<const std::uint8_t> data) override { return {TransportStatus::Ok, data.size()}; }
    TransportResult Receive(std::span<std::uint8_t> buffer) override {
        if (pieces_.empty()) return {TransportStatus::Closed, 0};
        Bytes& piece = pieces_.front();
        if (piece.empty()) {
            pieces_.pop_front();
            return {TransportStatus::Interrupted, 0};
        }
        const std::size_t n = std::min(buffer.size(), piece.size());
        std::copy_n(piece.begin(), n, buffer.begin());
        piece.erase(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
        if (piece.empty()) pieces_.pop_front();
        return {TransportStatus::Ok, n};
    }
    void Interrupt() override {}
    void ClearInterrupt() override {}
    void Close() override {}

private:
    std::deque<Bytes> pieces_;
};

TEST(ObexPacketReader, ReadsWholePacketsAcrossPiecesAndInterruptions) {
    ScriptedStream stream({{0x83, 0x00}, {}, {0x08, 0xCB, 0x00, 0x00, 0x00, 0x01, 0xA0}, {0x00, 0x03}, {0x83, 0x00}});
    PacketReader reader;
    std::span<const std::uint8_t> packet;
    EXPECT_EQ(reader.Next(stream, &packet), ReadStatus::Interrupted);
    ASSERT_EQ(reader.Next(stream, &packet), ReadStatus::Ok);
    EXPECT_EQ(Bytes(packet.begin(), packet.end()), (Bytes{0x83, 0x00, 0x08, 0xCB, 0x00, 0x00, 0x00, 0x01}));
    ASSERT_EQ(reader.Next(stream, &packet), ReadStatus::Ok);
    EXPECT_EQ(packet.size(), 3u);
    EXPECT_EQ(reader.Next(stream, &packet), ReadStatus::Closed) << "ended inside a packet";

    ScriptedStream tooLarge({{0xA0, 0x01, 0x00}});
    PacketReader small(255);
    EXPECT_EQ(small.Next(tooLarge, &packet), ReadStatus::TooLarge);
    ScriptedStream tooShort({{0xA0, 0x00, 0x02}});
    PacketReader fresh;
    EXPECT_EQ(fresh.Next(tooShort, &packet), ReadStatus::LengthInvalid);
}

}  // namespace
}  // namespace obex
