#include "platform/obex/server/server_service.h"

#include <algorithm>
#include <list>
#include <mutex>

#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/bt_security_store.h"
#include "platform/kernel/files.h"
#include "platform/obex/serial_link_transport.h"
#include "platform/obex/server/server_connection.h"
#include "platform/obex/server/server_host.h"
#include "platform/obex/server/tcp_listener.h"
#include "platform/obex/socket_transport.h"
#include "platform/registry/registry.h"

namespace obex {
namespace {

constexpr const wchar_t* kEngineKey = L"software\\Trevanix\\Nimbrel";
constexpr const wchar_t* kDefaultFolder = L"\\Temp";

// The host folder a registry value names.
std::optional<std::filesystem::path> FolderOf(const wchar_t* value) {
    std::wstring folder = kDefaultFolder;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEngineKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        wchar_t text[260] = {};
        DWORD size = sizeof text - sizeof(wchar_t);
        if (RegQueryValueOfTypeW(key, value, REG_SZ, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS &&
            text[0] != 0)
            folder = text;
        RegCloseKey(key);
    }
    return platform::MapPath(folder);
}

// Paired: the security store holds its link key or its PIN.
bool IsPaired(BT_ADDR device) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 0;
    const bool paired =
        RegQueryValueExW(key, bth::LinkKeyValueName(device).c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS ||
        RegQueryValueExW(key, bth::PinValueName(device).c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return paired;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

class Servers;

// One Bluetooth server: its connections go to the servers with its folders.
class BluetoothServer final : public bth::IncomingLinks {
public:
    BluetoothServer(Servers& servers, ServerFolders folders) : servers_(servers), folders_(std::move(folders)) {}
    // Stops listening first: a connection being handed over still reads the folders.
    ~BluetoothServer() override { listening.reset(); }
    void Connected(BT_ADDR device, const bth::LinkOpener& open) override;

    std::unique_ptr<bth::Listening> listening;

private:
    Servers& servers_;
    const ServerFolders folders_;
};

class Servers {
public:
    Servers(std::shared_ptr<bth::Backend> backend, ServerOptions options)
        : backend_(std::move(backend)), options_(std::move(options)) {}
    ~Servers() {
        // No new connection after this, then the open ones end.
        push_.reset();
        transfer_.reset();
        tcp_.reset();
        std::lock_guard lock(mutex_);
        connections_.clear();
    }

    // Status lines for people; true when something listens.
    bool Start(std::vector<std::string>* status) {
        const auto inbox = FolderOf(L"ObexOPP");
        const auto shared = FolderOf(L"ObexFTP");
        bool listening = false;
        if (inbox) listening |= Listen("Object Push", sdp::uuids::kObexObjectPush, {inbox, std::nullopt}, &push_, status);
        else status->push_back("Object Push: the folder ObexOPP names is not usable");
        if (shared)
            listening |= Listen("File Transfer", sdp::uuids::kObexFileTransfer, {std::nullopt, shared}, &transfer_, status);
        else status->push_back("File Transfer: the folder ObexFTP names is not usable");
        if (options_.tcp) {
            std::string error;
            tcp_ = TcpListener::Listen(
                *options_.tcp,
                [this, inbox, shared](platform::UniqueFd socket, const std::string& peer) {
                    auto transport = SocketTransport::Create(std::move(socket));
                    if (transport) Add(std::move(transport), Peer{std::nullopt, peer, false}, {inbox, shared});
                },
                &error);
            status->push_back(tcp_ ? "Object Push and File Transfer on TCP " + tcp_->address() : "TCP: " + error);
            listening |= tcp_ != nullptr;
        }
        if (inbox) status->push_back("Received files go to " + inbox->string());
        return listening;
    }

    void Add(std::unique_ptr<Transport> transport, Peer peer, ServerFolders folders) {
        std::lock_guard lock(mutex_);
        connections_.remove_if([](const std::unique_ptr<ServerConnection>& c) { return c->finished(); });
        if (connections_.size() >= kMaxServerConnections) return;  // closed with the transport
        connections_.push_back(std::make_unique<ServerConnection>(std::move(transport), std::move(peer),
                                                                  std::move(folders), options_.host, ConnectionLimits{}));
    }

    std::uint8_t Channel(const sdp::Uuid& serviceClass) const {
        const auto& server = serviceClass == sdp::uuids::kObexObjectPush ? push_ : transfer_;
        return server && server->listening ? server->listening->Channel() : 0;
    }

private:
    bool Listen(const std::string& what, const sdp::Uuid& serviceClass, ServerFolders folders,
                std::unique_ptr<BluetoothServer>* server, std::vector<std::string>* status) {
        auto made = std::make_unique<BluetoothServer>(*this, std::move(folders));
        std::string holder;
        const DWORD error = backend_->ListenObex(serviceClass, made.get(), &made->listening, &holder);
        if (error == ERROR_SUCCESS && made->listening) {
            status->push_back(what + " on RFCOMM channel " + std::to_string(made->listening->Channel()));
            *server = std::move(made);
            return true;
        }
        if (error == ERROR_NOT_SUPPORTED) status->push_back(what + ": not offered over Bluetooth by this radio");
        else if (!holder.empty()) status->push_back(what + ": " + holder);
        else status->push_back(what + ": cannot listen over Bluetooth (error " + std::to_string(error) + ")");
        return false;
    }

    const std::shared_ptr<bth::Backend> backend_;
    const ServerOptions options_;
    std::unique_ptr<BluetoothServer> push_;
    std::unique_ptr<BluetoothServer> transfer_;
    std::unique_ptr<TcpListener> tcp_;
    std::mutex mutex_;
    std::list<std::unique_ptr<ServerConnection>> connections_;  // under mutex_
};

void BluetoothServer::Connected(BT_ADDR device, const bth::LinkOpener& open) {
    std::unique_ptr<SerialLinkTransport> transport;
    if (SerialLinkTransport::Accept(open, &transport) != ERROR_SUCCESS) return;
    servers_.Add(std::move(transport), Peer{device, Upper(bth::FormatAddress(device)), IsPaired(device)}, folders_);
}

std::mutex g_mutex;
ServerOptions g_options;              // under g_mutex
std::vector<std::string> g_status;    // under g_mutex
std::unique_ptr<Servers> g_servers;   // under g_mutex

}  // namespace

void ConfigureServers(ServerOptions options) {
    std::lock_guard lock(g_mutex);
    g_options = std::move(options);
}

std::vector<std::string> ServerStatus() {
    std::lock_guard lock(g_mutex);
    return g_status;
}

DWORD StartServers(std::shared_ptr<bth::Backend> backend) {
    ServerOptions options;
    {
        std::lock_guard lock(g_mutex);
        if (g_servers) return ERROR_SUCCESS;
        options = g_options;
    }
    std::unique_ptr<Servers> servers = std::make_unique<Servers>(std::move(backend), std::move(options));
    std::vector<std::string> status;
    const bool listening = servers->Start(&status);
    std::lock_guard lock(g_mutex);
    if (g_servers) return ERROR_SUCCESS;  // another start won meanwhile; ours ends unlocked
    g_status = std::move(status);
    if (!listening) return ERROR_NOT_SUPPORTED;
    g_servers = std::move(servers);
    return ERROR_SUCCESS;
}

std::uint8_t ServerChannel(const sdp::Uuid& serviceClass) {
    std::lock_guard lock(g_mutex);
    return g_servers ? g_servers->Channel(serviceClass) : 0;
}

void StopServers() {
    std::unique_ptr<Servers> stopped;
    {
        std::lock_guard lock(g_mutex);
        stopped = std::move(g_servers);
        if (stopped) g_status.clear();
    }
}

}  // namespace obex
