// Our OBEX servers from the console: Object Push and File Transfer run until SIGINT or SIGTERM.
// Each received file is a line "received PATH ADDRESS SIZE" on standard output, each refused
// or lost object a line "refused NAME ADDRESS REASON"; where the servers listen goes first, as
// "listening WHAT" lines.
#include "obex_server_command.h"

#include <cstdio>
#include <memory>
#include <mutex>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/service/server_file_transfer.h"
#include "engine_steps.h"
#include "notification_hub.h"
#include "platform/obex/server/server_host.h"
#include "platform/text/utf.h"
#include "stop_signal.h"

namespace ctl {
namespace {

// A name a peer sent, safe on a terminal: control characters become '?'.
std::string Printable(const std::wstring& name) {
    std::wstring shown = name.empty() ? L"-" : name;
    for (wchar_t& c : shown)
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = L'?';
    return platform::Utf8FromWide(shown);
}

// Accepts devices that are not paired only when told to; prints what happens.
class ConsoleServerHost final : public obex::ServerHost {
public:
    explicit ConsoleServerHost(bool acceptAll) : acceptAll_(acceptAll) {}

    bool Allow(const obex::Offer&) override { return acceptAll_; }
    void Received(const obex::Peer& peer, const std::filesystem::path& path, std::uint64_t size) override {
        std::lock_guard lock(mutex_);
        std::printf("received\t%s\t%s\t%llu\n", path.c_str(), peer.name.c_str(), static_cast<unsigned long long>(size));
        std::fflush(stdout);
    }
    void Refused(const obex::Peer& peer, const std::wstring& name, const std::string& reason) override {
        std::lock_guard lock(mutex_);
        std::printf("refused\t%s\t%s\t%s\n", Printable(name).c_str(),
                    peer.name.c_str(), reason.c_str());
        std::fflush(stdout);
    }

private:
    const bool acceptAll_;
    std::mutex mutex_;  // one line at a time
};

}  // namespace

int ObexServer(const std::vector<std::string>& args) {
    bool acceptAll = false;
    obex::ServerOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--accept") {
            acceptAll = true;
        } else if (args[i] == "--tcp" && i + 1 < args.size()) {
            options.tcp = args[++i];
        } else {
            std::fputs("usage: nimbrelctl obex-server [--accept] [--tcp ADDRESS:PORT]\n", stderr);
            return kExitUsage;
        }
    }
    options.host = std::make_shared<ConsoleServerHost>(acceptAll);
    obex::ConfigureServers(options);
    CatchStopSignals();
    NotificationHub::PrintAll();
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    // Either server starts the service, which runs both.
    local.AddLocalService(new CServerOpp(&local));
    local.AddLocalService(new CServerFtp(&local));
    const bool started = local.ActivateLocalServices(1) != 0;
    for (const std::string& line : obex::ServerStatus()) std::printf("listening\t%s\n", line.c_str());
    std::fflush(stdout);
    int result = kExitOk;
    if (!started) {
        std::fputs("nimbrelctl: the OBEX servers could not start\n", stderr);
        result = kExitFailed;
    } else {
        while (WaitForStopOrWake() != Woken::Stop) {}
    }
    local.ActivateLocalServices(0);
    local.Activate(0);
    obex::ConfigureServers({});
    return result;
}

}  // namespace ctl
