// The OBEX device against a scripted server on the other end of a socket pair.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "platform/obex/obex_device.h"
#include "platform/obex/obex_packet.h"
#include "platform/obex/obex_packet_reader.h"
#include "platform/obex/socket_transport.h"

namespace obex {
namespace {

constexpr auto kWait = std::chrono::seconds(10);
const std::uint8_t kTarget[16] = {0xF9, 0xEC, 0x7B, 0xC4, 0x95, 0x3C, 0x11, 0xD2,
                                  0x98, 0x4E, 0x52, 0x54, 0x00, 0xDC, 0x9E, 0x09};

// The server end: reads requests and answers them as its script says, on a thread of its own.
class Peer {
public:
    Peer() {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        link_ = SocketTransport::Create(platform::UniqueFd(fds[1]));
        device = platform::CreateObexDevice(SocketTransport::Create(platform::UniqueFd(fds[0])));
    }
    ~Peer() {
        if (thread_.joinable()) thread_.join();
    }
    void Run(std::function<void(Peer&)> script) {
        thread_ = std::thread([this, script = std::move(script)] { script(*this); });
    }
    void Join() { thread_.join(); }

    Request Expect(Opcode opcode) {
        std::span<const std::uint8_t> bytes;
        Request request;
        EXPECT_EQ(reader_.Next(*link_, &bytes), ReadStatus::Ok);
        EXPECT_EQ(DecodeRequest(bytes, &request), CodecError::None);
        EXPECT_EQ(request.opcode, opcode);
        return request;
    }
    void Answer(ResponseCode code, std::vector<Header> headers = {}, std::optional<ConnectFields> connect = {}) {
        Bytes bytes;
        ASSERT_EQ(EncodeResponse(Response{code, true, connect, std::move(headers)}, &bytes), CodecError::None);
        Raw(bytes);
    }
    void Raw(const Bytes& bytes) { link_->Send(bytes); }
    // CONNECT with our Target, answered with `maxPacket` and Connection Id 7.
    void Connect(std::uint16_t maxPacket) {
        const Request request = Expect(Opcode::Connect);
        EXPECT_EQ(request.connect, (ConnectFields{0x10, 0, 65535}));
        EXPECT_EQ(request.headers, std::vector{Header::Target(kTarget)});
        Answer(ResponseCode::Success, {Header::ConnectionId(7)}, ConnectFields{0x10, 0, maxPacket});
    }
    // The next request of `opcode` has Connection Id 7 first; its other headers.
    std::vector<Header> ExpectWithId(Opcode opcode, bool final, std::uint8_t* flags = nullptr) {
        Request request = Expect(opcode);
        EXPECT_EQ(request.final, final);
        EXPECT_FALSE(request.headers.empty());
        if (request.headers.empty()) return {};
        EXPECT_EQ(request.headers.front(), Header::ConnectionId(7));
        if (flags) *flags = request.setPathFlags;
        return {request.headers.begin() + 1, request.headers.end()};
    }

    std::shared_ptr<IObexDevice> device;

private:
    std::unique_ptr<Transport> link_;
    PacketReader reader_;
    std::thread thread_;
};

std::shared_ptr<IHeaderCollection> Headers(std::function<void(IHeaderCollection&)> add) {
    auto headers = platform::CreateHeaderCollection();
    add(*headers);
    return headers;
}

HRESULT ConnectWithTarget(Peer& peer) {
    return peer.device->Connect(nullptr, 0, Headers([](auto& h) { h.AddTarget(16, kTarget); }).get());
}

TEST(ObexSession, PutFillsWholePacketsOfTheNegotiatedSize) {
    Bytes object(600);
    for (std::size_t i = 0; i < object.size(); ++i) object[i] = static_cast<std::uint8_t>(i * 7);
    Peer peer;
    peer.Run([&](Peer& p) {
        p.Connect(255);
        EXPECT_EQ(p.ExpectWithId(Opcode::Put, false),
                  (std::vector{Header::Name(L"a.bin"), Header::Length(600), Header::Type("image/jpeg")}));
        p.Answer(ResponseCode::Continue);
        Bytes received;
        for (;;) {  // 249-byte bodies fill 255-byte packets: 249, 249, then 102 at the end
            Request part = p.Expect(Opcode::Put);
            Bytes encoded;
            EncodeRequest(part, &encoded);
            EXPECT_EQ(encoded.size() == 255u, !part.final);
            ASSERT_EQ(part.headers.size(), 1u) << "the body alone, without the Connection Id";
            const Header& body = part.headers.at(0);
            EXPECT_EQ(body.id(), part.final ? hid::kEndOfBody : hid::kBody);
            received.insert(received.end(), body.bytes()->begin(), body.bytes()->end());
            p.Answer(part.final ? ResponseCode::Success : ResponseCode::Continue);
            if (part.final) break;
        }
        EXPECT_EQ(received, object);
        // A PUT without Length and without bytes is a delete: no body at all.
        EXPECT_EQ(p.ExpectWithId(Opcode::Put, false), std::vector{Header::Name(L"old.txt")});
        p.Answer(ResponseCode::Continue);
        EXPECT_TRUE(p.Expect(Opcode::Put).headers.empty());
        p.Answer(ResponseCode::Success);
        // An empty object (Length 0) ends with an empty End-of-Body.
        p.ExpectWithId(Opcode::Put, false);
        p.Answer(ResponseCode::Continue);
        EXPECT_EQ(p.Expect(Opcode::Put).headers, std::vector{Header::EndOfBody({})});
        p.Answer(ResponseCode::Success);
        // A refusal of the headers; then DISCONNECT.
        p.ExpectWithId(Opcode::Put, false);
        p.Answer(ResponseCode::Forbidden);
        p.ExpectWithId(Opcode::Disconnect, true);
        p.Answer(ResponseCode::Success);
    });
    ASSERT_EQ(ConnectWithTarget(peer), S_OK);

    auto headers = Headers([](auto& h) {
        h.AddName(L"a.bin");
        h.AddLength(600);
        h.AddType(11, "image/jpeg");
    });
    std::unique_ptr<IStream> stream;
    ASSERT_EQ(peer.device->Put(headers.get(), &stream), S_OK);
    for (std::size_t at = 0; at < object.size(); at += 64) {
        ULONG written = 0;
        const auto size = static_cast<ULONG>(std::min<std::size_t>(64, object.size() - at));
        ASSERT_EQ(stream->Write(object.data() + at, size, &written), S_OK);
        EXPECT_EQ(written, size);
    }
    EXPECT_EQ(stream->Commit(0), S_OK);
    stream.reset();

    for (bool empty : {false, true}) {
        auto object = Headers([&](auto& h) {
            h.AddName(empty ? L"empty.txt" : L"old.txt");
            if (empty) h.AddLength(0);
        });
        ASSERT_EQ(peer.device->Put(object.get(), &stream), S_OK);
        EXPECT_EQ(stream->Commit(0), S_OK);
        stream.reset();
    }
    EXPECT_EQ(peer.device->Put(headers.get(), &stream), ObexResponseResult(ResponseCode::Forbidden));
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(peer.device->Disconnect(nullptr), S_OK);
    EXPECT_EQ(peer.device->Disconnect(nullptr), E_UNEXPECTED);
}

TEST(ObexSession, GetContinuesAndSetPathWalksThePath) {
    Peer peer;
    peer.Run([](Peer& p) {
        p.Connect(1024);
        EXPECT_EQ(p.ExpectWithId(Opcode::Get, true), (std::vector{Header::Name(L""), Header::Type("x-obex/folder-listing")}));
        p.Answer(ResponseCode::Continue, {Header::Body(Bytes{'h', 'e', 'l', 'l', 'o', ' '})});
        EXPECT_TRUE(p.Expect(Opcode::Get).headers.empty()) << "a bare continuation";
        p.Answer(ResponseCode::Continue, {Header::Body(Bytes{'w', 'o', 'r'})});
        p.Expect(Opcode::Get);
        p.Answer(ResponseCode::Success, {Header::EndOfBody(Bytes{'l', 'd'})});

        const struct {
            std::uint8_t flags;
            std::vector<Header> headers;
        } steps[] = {{2, {Header::Name(L"Images")}}, {2, {Header::Name(L"2006")}}, {3, {}},
                     {0, {Header::Name(L"New")}},    {2, {Header::Name(L"Missing")}}, {2, {Header::Name(L"Deeper")}},
                     {2, {Header::Name(L"")}},       {2, {Header::Name(L"Sounds")}}};
        for (const auto& step : steps) {
            std::uint8_t flags = 0xFF;
            EXPECT_EQ(p.ExpectWithId(Opcode::SetPath, true, &flags), step.headers);
            EXPECT_EQ(flags, step.flags);
            p.Answer(step.flags == 2 && !step.headers.empty() && *step.headers[0].text() == L"Missing"
                         ? ResponseCode::NotFound
                         : ResponseCode::Success);
        }
        // A GET refused outright; then an answer that is not OBEX at all.
        p.ExpectWithId(Opcode::Get, true);
        p.Answer(ResponseCode::NotFound);
        p.ExpectWithId(Opcode::Get, true);
        p.Raw({0xA0, 0x00, 0x07, 0x01, 0x00, 0x04, 0x41});  // Unicode of odd length
    });
    ASSERT_EQ(ConnectWithTarget(peer), S_OK);
    auto listing = Headers([](auto& h) {
        h.AddName(L"");
        h.AddType(22, "x-obex/folder-listing");
    });
    std::unique_ptr<IStream> stream;
    ASSERT_EQ(peer.device->Get(listing.get(), &stream), S_OK);
    std::string text;
    char block[4];
    ULONG read = 0;
    HRESULT result = S_OK;
    while ((result = stream->Read(block, sizeof block, &read)) == S_OK) text.append(block, read);
    EXPECT_EQ(result, S_FALSE);
    EXPECT_EQ(text, "hello world");
    stream.reset();

    // A new session is at the root: the way down starts there, and only what is not walked yet
    // goes out (a refused step leaves the session where it was).
    EXPECT_EQ(peer.device->SetPath(L"\\\\Images\\2006", 2, nullptr), S_OK);
    EXPECT_EQ(peer.device->SetPath(nullptr, 3, nullptr), S_OK);
    EXPECT_EQ(peer.device->SetPath(L"New", 0, nullptr), S_OK);
    EXPECT_EQ(peer.device->SetPath(L"Missing", 2, nullptr), ObexResponseResult(ResponseCode::NotFound));
    EXPECT_EQ(peer.device->SetPath(L"\\\\Images\\New\\Deeper", 2, nullptr), S_OK);
    EXPECT_EQ(peer.device->SetPath(L"\\Images/New\\Deeper", 2, nullptr), S_OK) << "already there: nothing sent";
    EXPECT_EQ(peer.device->SetPath(L"\\\\Sounds", 2, nullptr), S_OK);

    EXPECT_EQ(peer.device->Get(listing.get(), &stream), ObexResponseResult(ResponseCode::NotFound));
    EXPECT_EQ(peer.device->Get(listing.get(), &stream), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_EQ(peer.device->SetPath(L"x", 2, nullptr), E_UNEXPECTED) << "a malformed answer ends the session";
}

TEST(ObexSession, AbortReleasesABlockedReadAndTheSessionGoesOn) {
    Peer peer;
    std::promise<void> waiting;
    peer.Run([&](Peer& p) {
        p.Connect(255);
        p.ExpectWithId(Opcode::Get, true);
        p.Answer(ResponseCode::Continue, {Header::Body(Bytes{'a', 'b'})});
        p.Expect(Opcode::Get);
        waiting.set_value();  // the reader now waits for this answer
        p.ExpectWithId(Opcode::Abort, true);
        p.Answer(ResponseCode::Continue, {Header::Body(Bytes{'c'})});  // late answer to the GET
        p.Answer(ResponseCode::Success);                               // to the ABORT
        p.ExpectWithId(Opcode::Disconnect, true);
        p.Answer(ResponseCode::Success);
    });
    ASSERT_EQ(ConnectWithTarget(peer), S_OK);
    std::unique_ptr<IStream> stream;
    ASSERT_EQ(peer.device->Get(Headers([](auto& h) { h.AddName(L"big"); }).get(), &stream), S_OK);
    char block[8];
    ULONG read = 0;
    ASSERT_EQ(stream->Read(block, sizeof block, &read), S_OK);
    EXPECT_EQ(read, 2u);

    auto blocked = std::async(std::launch::async, [&] {
        ULONG got = 99;
        const HRESULT result = stream->Read(block, sizeof block, &got);
        return std::pair{result, got};
    });
    ASSERT_EQ(waiting.get_future().wait_for(kWait), std::future_status::ready);
    EXPECT_EQ(peer.device->Abort(nullptr), S_OK);
    ASSERT_EQ(blocked.wait_for(kWait), std::future_status::ready);
    EXPECT_EQ(blocked.get(), (std::pair{E_ABORT, ULONG{0}}));
    EXPECT_EQ(stream->Read(block, sizeof block, &read), E_ABORT);
    stream.reset();  // nothing more is sent for an aborted operation
    EXPECT_EQ(peer.device->Disconnect(nullptr), S_OK);
}

TEST(ObexSession, ARefusedBeginLeavesItUsableAndOperationsNeverOverlap) {
    Peer peer;
    peer.Run([](Peer& p) {
        p.Connect(255);
        p.ExpectWithId(Opcode::Put, false);
        p.Answer(ResponseCode::Forbidden);
        // No ABORT for the refused PUT, nor for the Abort with nothing open: the GET comes next.
        EXPECT_EQ(p.ExpectWithId(Opcode::Get, true), std::vector{Header::Name(L"a")});
        p.Answer(ResponseCode::Continue, {Header::Body(Bytes{'x'})});
        p.Expect(Opcode::Get);
        p.Answer(ResponseCode::Success, {Header::EndOfBody(Bytes{'y'})});
        p.ExpectWithId(Opcode::Disconnect, true);
        p.Answer(ResponseCode::Success);
    });
    ASSERT_EQ(ConnectWithTarget(peer), S_OK);
    std::unique_ptr<IStream> stream;
    EXPECT_TRUE(FAILED(peer.device->Put(Headers([](auto& h) { h.AddName(L"refused"); }).get(), &stream)));
    EXPECT_EQ(peer.device->Abort(nullptr), S_OK);

    ASSERT_EQ(peer.device->Get(Headers([](auto& h) { h.AddName(L"a"); }).get(), &stream), S_OK);
    std::unique_ptr<IStream> second;
    EXPECT_EQ(peer.device->Get(Headers([](auto& h) { h.AddName(L"b"); }).get(), &second), HRESULT_FROM_WIN32(ERROR_BUSY));
    EXPECT_EQ(peer.device->SetPath(L"sub", kSetPathNoCreate, nullptr), HRESULT_FROM_WIN32(ERROR_BUSY));
    char block[8];
    ULONG read = 0;
    std::string body;
    while (stream->Read(block, sizeof block, &read) == S_OK && read > 0) body.append(block, read);
    EXPECT_EQ(body, "xy");
    stream.reset();
    EXPECT_EQ(peer.device->Disconnect(nullptr), S_OK);
}

}  // namespace
}  // namespace obex
