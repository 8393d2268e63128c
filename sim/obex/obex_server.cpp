#include "sim/obex/obex_server.h"

#include "platform/obex/obex_packet_framer.h"
#include "platform/obex/server/server_session.h"
#include "sim/obex/paced_output.h"

namespace sim {
namespace {

using obex::ResponseCode;

// The world's faults, as the session's rules.
class FaultRules final : public obex::SessionRules {
public:
    explicit FaultRules(const ObexFaults& faults) : faults_(faults) {}

    ResponseCode AcceptPut(obex::SessionKind, const std::wstring&, std::optional<std::uint64_t>) override {
        return faults_.refusePut ? ResponseCode::Forbidden : ResponseCode::Success;
    }
    Flow BeforeBody(std::uint64_t moved, std::size_t count) override {
        if (faults_.dropAfter && moved + count > *faults_.dropAfter) return Flow::HangUp;
        if (faults_.abortAfter && moved + count > *faults_.abortAfter) return Flow::Refuse;
        return Flow::Go;
    }

private:
    const ObexFaults faults_;
};

obex::ServerFolders FoldersOf(const ObexServerConfig& config) {
    obex::ServerFolders folders;
    (config.fileTransfer ? folders.shared : folders.inbox) = config.folder;
    // A device's own tree is the user's to change: an object sent there replaces its namesake.
    folders.existing = config.fileTransfer ? obex::ExistingFile::Replaced : obex::ExistingFile::Kept;
    return folders;
}

class ObexServer final : public SerialEndpoint {
public:
    ObexServer(const ObexServerConfig& config, Output output, std::function<void()> hangup)
        : rules_(config.faults),
          session_(FoldersOf(config), &rules_),
          paced_(std::move(output), std::move(hangup), config.linkKbps) {}

    void Receive(const std::uint8_t* data, std::size_t size) override {
        while (size > 0 && !hungUp_) {
            std::size_t taken = 0;
            const auto event = framer_.Feed(std::span(data, size), &taken);
            data += taken;
            size -= taken;
            if (event == obex::PacketFramer::Event::Packet) {
                const auto packet = framer_.packet();
                // Answers still on their way go at once when the client gives up.
                if (!packet.empty() && packet[0] == static_cast<std::uint8_t>(obex::Opcode::Abort)) paced_.Hurry();
                Send(session_.Handle(packet));
                framer_.Clear();
            } else if (event == obex::PacketFramer::Event::TooLarge) {
                Send(session_.TooLarge());
            } else if (event == obex::PacketFramer::Event::Lost) {
                session_.End();
                obex::ServerSession::Reply reply;
                reply.response.emplace().code = ResponseCode::BadRequest;
                reply.hangUp = true;
                Send(reply);
            }
        }
    }

private:
    void Send(const obex::ServerSession::Reply& reply) {
        if (reply.response && obex::EncodeResponse(*reply.response, &outgoing_) == obex::CodecError::None)
            paced_.Send(outgoing_);
        if (reply.hangUp) {
            hungUp_ = true;
            paced_.HangUp();
        }
    }

    FaultRules rules_;
    obex::ServerSession session_;
    PacedOutput paced_;  // what this server sends, at the link's rate
    // An oversized packet is passed over and refused; the next one is read as usual.
    obex::PacketFramer framer_{obex::kServerMaxPacket, obex::PacketFramer::Oversized::Skip};
    obex::Bytes outgoing_;  // the answer being sent; kept for its storage
    bool hungUp_ = false;
};

}  // namespace

std::unique_ptr<SerialEndpoint> MakeObexServer(const ObexServerConfig& config, SerialEndpoint::Output output,
                                               std::function<void()> hangup) {
    return std::make_unique<ObexServer>(config, std::move(output), std::move(hangup));
}

}  // namespace sim
