#include "support/scripted_obex_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "platform/obex/obex_packet_reader.h"
#include "platform/obex/socket_transport.h"
#include "support/obex_client.h"

namespace testsupport {

ScriptedObexServer::ScriptedObexServer(Script script, Cut cut)
    : script_(std::move(script)), cut_(std::move(cut)), stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    listener_ = platform::UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (!listener_ || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_.get(), 4) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedObexServer::~ScriptedObexServer() {
    const std::uint64_t one = 1;
    if (::write(stop_.get(), &one, sizeof one) != sizeof one) std::terminate();
    if (thread_.joinable()) thread_.join();
}

std::string ScriptedObexServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<obex::Request> ScriptedObexServer::Requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

bool ScriptedObexServer::WaitForHangUp(std::chrono::milliseconds bound) const {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, bound, [this] { return !talking_ && !requests_.empty(); });
}

obex::Response ScriptedObexServer::Connected() {
    obex::Response response;
    response.connect = obex::ConnectFields{};
    response.headers = {obex::Header::Who(kFolderBrowsing), obex::Header::ConnectionId(1)};
    return response;
}

obex::Response ScriptedObexServer::Answer(obex::ResponseCode code, std::vector<obex::Header> headers) {
    obex::Response response;
    response.code = code;
    response.headers = std::move(headers);
    return response;
}

void ScriptedObexServer::Serve() {
    for (;;) {
        pollfd ready[2] = {{listener_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0) continue;
        if (ready[1].revents != 0) return;
        platform::UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection) Converse(std::move(connection));
    }
}

// One connection, until the client closes it or the server stops.
void ScriptedObexServer::Converse(platform::UniqueFd connection) {
    {
        std::lock_guard guard(lock_);
        talking_ = true;
    }
    const int socket = connection.get();
    const std::unique_ptr<obex::SocketTransport> transport = obex::SocketTransport::Create(std::move(connection));
    obex::PacketReader reader;
    for (bool open = transport != nullptr; open;) {
        // Waits for the client or for the stop, whichever comes first.
        pollfd ready[2] = {{socket, POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0) continue;
        if (ready[1].revents != 0) break;
        std::span<const std::uint8_t> packet;
        obex::Request request;
        transport->SetDeadline(std::chrono::steady_clock::now() + std::chrono::seconds(10));  // the rest of a packet
        if (reader.Next(*transport, &packet) != obex::ReadStatus::Ok ||
            obex::DecodeRequest(packet, &request) != obex::CodecError::None)
            break;
        {
            std::lock_guard guard(lock_);
            requests_.push_back(request);
        }
        obex::Bytes answers;
        for (obex::Response& response : script_(request)) {
            obex::Bytes bytes;
            // The answer to a CONNECT carries the connection's fields, however the script wrote it.
            if (request.opcode == obex::Opcode::Connect && !response.connect) response.connect = obex::ConnectFields{};
            open = open && obex::EncodeResponse(response, &bytes) == obex::CodecError::None;
            answers.insert(answers.end(), bytes.begin(), bytes.end());
        }
        const std::optional<std::size_t> cut = cut_ ? cut_(request) : std::nullopt;
        if (cut) answers.resize(std::min(*cut, answers.size()));
        open = open && transport->Send(answers).status == obex::TransportStatus::Ok;
        if (cut) {
            // Closed with a zero linger time, the socket goes with a reset rather than a goodbye.
            const linger abrupt{1, 0};
            ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
            break;
        }
    }
    {
        std::lock_guard guard(lock_);
        talking_ = false;
    }
    changed_.notify_all();
}

}  // namespace testsupport
