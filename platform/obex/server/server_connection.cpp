#include "platform/obex/server/server_connection.h"

#include "platform/obex/obex_packet_reader.h"

namespace obex {
namespace {

// Our servers' answers to who may do what: paired devices everything; others what the host
// allows (nothing without a host). A File Transfer session is allowed as a whole, at CONNECT.
class HostRules final : public SessionRules {
public:
    HostRules(const Peer& peer, ServerHost* host) : peer_(peer), host_(host) {}

    ResponseCode AcceptSession(SessionKind kind) override {
        if (kind == SessionKind::ObjectPush || peer_.paired) return ResponseCode::Success;
        if (Ask(Offer{peer_, kind, {}, std::nullopt})) return ResponseCode::Success;
        if (host_) host_->Refused(peer_, L"", "browsing: " + reason_);
        return ResponseCode::Forbidden;
    }
    ResponseCode AcceptPut(SessionKind kind, const std::wstring& name, std::optional<std::uint64_t> length) override {
        if (kind == SessionKind::FileTransfer || peer_.paired) return ResponseCode::Success;
        if (Ask(Offer{peer_, kind, name, length})) return ResponseCode::Success;
        if (host_) host_->Refused(peer_, name, reason_);
        return ResponseCode::Forbidden;
    }
    void Stored(SessionKind, const std::filesystem::path& path, std::uint64_t size) override {
        if (host_) host_->Received(peer_, path, size);
    }
    void NotStored(SessionKind, const std::wstring& name, const std::string& reason) override {
        if (host_) host_->Refused(peer_, name, reason);
    }

private:
    bool Ask(const Offer& offer) {
        if (!host_) {
            reason_ = "the device is not paired";
            return false;
        }
        reason_ = "the device is not paired and was not accepted";
        return host_->Allow(offer);
    }

    const Peer& peer_;
    ServerHost* const host_;
    std::string reason_;
};

}  // namespace

ServerConnection::ServerConnection(std::unique_ptr<Transport> transport, Peer peer, ServerFolders folders,
                                   std::shared_ptr<ServerHost> host, ConnectionLimits limits)
    : transport_(std::move(transport)), peer_(std::move(peer)), host_(std::move(host)) {
    thread_ = std::thread([this, folders = std::move(folders), limits]() mutable { Run(std::move(folders), limits); });
}

ServerConnection::~ServerConnection() {
    transport_->Close();
    thread_.join();
}

void ServerConnection::Run(ServerFolders folders, ConnectionLimits limits) {
    HostRules rules(peer_, host_.get());
    {
        ServerSession session(std::move(folders), &rules);
        PacketReader reader(kServerMaxPacket);
        Bytes outgoing;
        for (;;) {
            const auto wait = session.busy() ? limits.operation : limits.idle;
            transport_->SetDeadline(std::chrono::steady_clock::now() + wait);
            std::span<const std::uint8_t> packet;
            const ReadStatus status = reader.Next(*transport_, &packet);
            ServerSession::Reply reply;
            if (status == ReadStatus::Ok) {
                reply = session.Handle(packet);
            } else if (status == ReadStatus::TooLarge) {
                reply = session.TooLarge();
                reply.hangUp = true;  // its bytes are still coming: the framing is gone
            } else {
                break;  // closed, quiet for too long, or framing lost
            }
            if (reply.response && EncodeResponse(*reply.response, &outgoing) == CodecError::None) {
                transport_->SetDeadline(std::chrono::steady_clock::now() + limits.operation);
                if (transport_->Send(outgoing).status != TransportStatus::Ok) break;
            }
            if (reply.hangUp) break;
        }
    }  // a partial object is removed here
    transport_->Close();
    finished_ = true;
}

}  // namespace obex
