// Writes the binary seed inputs of the SDP and OBEX fuzz targets with the codecs' own encoders,
// so that each is well-formed: `fuzz-seed-writer tests/fuzz/corpus` after a change of the wire
// forms. The text seeds of the other targets are written by hand.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_search.h"
#include "platform/obex/obex_packet.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Save(const fs::path& file, const Bytes& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
}

// ---- SDP ----

void WriteSdpSeeds(const fs::path& folder) {
    using namespace sdp;
    const Record serial = BuildRfcommServiceRecord(0x10000, uuids::kSerialPort, 3, "Serial Port", false, 0x0102);
    const Record files = BuildRfcommServiceRecord(0x10001, uuids::kObexFileTransfer, 9, "Files", true, std::nullopt);
    Save(folder / "seed-serial-record", serial.Encode());
    Save(folder / "seed-search-reply", Encode(AnswerServiceSearchAttribute({serial, files}, {uuids::kL2cap}, 0, 0xFFFF)));
    const DataElement::Bytes16 big = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    Save(folder / "seed-every-type",
         Encode(DataElement::Sequence({
             DataElement::Nil(), DataElement::UInt8(1), DataElement::UInt16(2), DataElement::UInt32(3),
             DataElement::UInt64(4), DataElement::UInt128(big), DataElement::Int8(-1), DataElement::Int16(-2),
             DataElement::Int32(-3), DataElement::Int64(-4), DataElement::Int128(big), DataElement::Uuid16(0x1101),
             DataElement::Uuid32(0x00011101), DataElement::Uuid128(uuids::kObexObjectPush), DataElement::Text("text"),
             DataElement::Bool(true), DataElement::Url("http://example.org/"),
             DataElement::Alternative({DataElement::Sequence({}), DataElement::Alternative({})}),
         })));
    // Lengths in 16- and 32-bit fields where 8 bits would do: a sequence holding a uint16 and
    // a text, then two elements back to back.
    Save(folder / "seed-long-lengths", {0x36, 0x00, 0x0A, 0x09, 0x12, 0x34, 0x27, 0x00, 0x00, 0x00, 0x02, 'h', 'i',
                                        0x08, 0xFF});
}

// ---- OBEX ----

using namespace obex;

Bytes Packet(const Request& request) {
    Bytes bytes;
    if (EncodeRequest(request, &bytes) != CodecError::None) std::abort();
    return bytes;
}

Bytes Packet(const Response& response) {
    Bytes bytes;
    if (EncodeResponse(response, &bytes) != CodecError::None) std::abort();
    return bytes;
}

Request Make(Opcode opcode, std::vector<Header> headers, bool final = true) {
    Request request;
    request.opcode = opcode;
    request.final = final;
    request.headers = std::move(headers);
    return request;
}

Request Connect(bool fileTransfer, std::uint16_t maxPacket) {
    Request request = Make(Opcode::Connect, {});
    request.connect.maxPacketLength = maxPacket;
    if (fileTransfer) request.headers.push_back(Header::Target(kFolderBrowsingTarget));
    return request;
}

Request SetPath(std::uint8_t flags, std::vector<Header> headers) {
    Request request = Make(Opcode::SetPath, std::move(headers));
    request.setPathFlags = flags;
    return request;
}

Bytes Body(const char* text) { return Bytes(text, text + std::char_traits<char>::length(text)); }

// A byte that comes first (the target's choice), then the packets one after the other.
Bytes Stream(std::uint8_t first, const std::vector<Bytes>& packets) {
    Bytes stream = {first};
    for (const Bytes& packet : packets) stream.insert(stream.end(), packet.begin(), packet.end());
    return stream;
}

void WriteObexPacketSeeds(const fs::path& folder) {
    Response connected;
    connected.connect = ConnectFields{};
    connected.headers = {Header::Who(kFolderBrowsingTarget), Header::ConnectionId(1)};
    Response part;
    part.code = ResponseCode::Continue;
    part.headers = {Header::Length(12), Header::Body(Body("hello"))};
    Save(folder / "seed-connect", Stream(0xFF, {Packet(Connect(true, 0x2000)), Packet(connected)}));
    Save(folder / "seed-put-in-pieces",
         Stream(2, {Packet(Make(Opcode::Put, {Header::Name(L"photo \u00e9\U0001F600.jpg"), Header::Length(5),
                                              Header::Type("image/jpeg"), Header::Body(Body("ab"))}, false)),
                    Packet(Make(Opcode::Put, {Header::EndOfBody(Body("cde"))}))}));
    Save(folder / "seed-get-and-answer",
         Stream(0xFF, {Packet(Make(Opcode::Get, {Header::ConnectionId(1), Header::Type("x-obex/folder-listing"),
                                                 Header(hid::kDescription, std::wstring())})),
                       Packet(part), Packet(SetPath(kSetPathBackup | kSetPathNoCreate, {Header::Name(L"docs")})),
                       Packet(Make(Opcode::Abort, {Header(0x30, std::wstring(L"x")), Header(0xB0, std::uint8_t{7})}))}));
    // A packet longer than the framer takes (its length field only), then one it takes.
    Bytes oversized = {0x82, 0x08, 0x00, 0x48, 0x07, 0xFD};
    oversized.resize(0x0800, 'x');
    const Bytes disconnect = Packet(Make(Opcode::Disconnect, {}));
    oversized.insert(oversized.end(), disconnect.begin(), disconnect.end());
    Save(folder / "seed-oversized", Stream(0x40, {oversized}));
}

void WriteObexServerSeeds(const fs::path& folder) {
    const Header id = Header::ConnectionId(1);  // the first session's
    constexpr std::uint8_t kInbox = 1, kShared = 2, kReplace = 4, kHangUpAfter64 = 2 << 3, kRefuseAfter64 = 1 << 3;
    const Bytes body(100, 'b');
    Save(folder / "seed-push",
         Stream(kInbox, {Packet(Connect(false, 0x4000)),
                         Packet(Make(Opcode::Put, {Header::Name(L"old.txt"), Header::Length(8), Header::Body(Body("new "))}, false)),
                         Packet(Make(Opcode::Put, {Header::EndOfBody(Body("text"))})),
                         Packet(Make(Opcode::Put, {Header::Name(L"../../outside/x.txt"), Header::Body(Body("x"))}, false)),
                         Packet(Make(Opcode::Abort, {})), Packet(Make(Opcode::Disconnect, {}))}));
    Save(folder / "seed-push-hung-up",
         Stream(kInbox | kHangUpAfter64, {Packet(Connect(false, 0x4000)),
                                          Packet(Make(Opcode::Put, {Header::Name(L"big.bin"), Header::Body(body)}, false)),
                                          Packet(Make(Opcode::Put, {Header::EndOfBody(body)}))}));
    Save(folder / "seed-get-refused",
         Stream(kShared | kRefuseAfter64, {Packet(Connect(true, 255)),
                                           Packet(Make(Opcode::Get, {id, Header::Type("x-obex/folder-listing")})),
                                           Packet(Make(Opcode::Put, {id, Header::Name(L"b.bin"), Header::Body(body)}))}));
    const Request listing = Make(Opcode::Get, {id, Header::Type("x-obex/folder-listing")});
    const Request more = Make(Opcode::Get, {id});
    Save(folder / "seed-browse",
         Stream(kShared, {Packet(Connect(true, 255)), Packet(listing), Packet(more), Packet(more), Packet(more),
                          Packet(SetPath(kSetPathNoCreate, {id, Header::Name(L"docs")})),
                          Packet(Make(Opcode::Get, {id, Header::Name(L"note.txt")})),
                          Packet(SetPath(kSetPathBackup, {id})), Packet(Make(Opcode::Disconnect, {id}))}));
    Save(folder / "seed-change-tree",
         Stream(kInbox | kShared | kReplace,
                {Packet(Connect(true, 0x1000)),
                 Packet(Make(Opcode::Put, {id, Header::Name(L"new.txt"), Header::EndOfBody(Body("made here"))})),
                 Packet(Make(Opcode::Put, {id, Header::Name(L"hello.txt")})),
                 Packet(SetPath(0, {id, Header::Name(L"made")})),
                 Packet(Make(Opcode::Put, {id, Header::Name(L"deep.txt"), Header::Length(4), Header::Body(Body("de"))}, false)),
                 Packet(Make(Opcode::Abort, {id})), Packet(SetPath(0, {id})), Packet(Make(Opcode::Disconnect, {id}))}));
    Save(folder / "seed-links",
         Stream(kShared, {Packet(Connect(true, 0x1000)), Packet(SetPath(0, {id, Header::Name(L"out")})),
                          Packet(Make(Opcode::Get, {id, Header::Name(L"secret.txt")})),
                          Packet(Make(Opcode::Put, {id, Header::Name(L"secret.txt"), Header::EndOfBody(Body("over"))})),
                          Packet(Make(Opcode::Put, {id, Header::Name(L"dangling.txt")})),
                          Packet(SetPath(0, {id, Header::Name(L"docs")})),
                          Packet(SetPath(0, {id, Header::Name(L"inner")})),
                          Packet(Make(Opcode::Get, {id, Header::Type("x-obex/folder-listing"), Header::Name(L"inner")}))}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER (tests/fuzz/corpus)\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    WriteSdpSeeds(corpus / "sdp");
    WriteObexPacketSeeds(corpus / "obex_packet");
    WriteObexServerSeeds(corpus / "obex_server");
    return 0;
}
