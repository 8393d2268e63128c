// OBEX from the console: push a file, and list, fetch, upload and delete on a device's
// folders. Each command finds the device and its services, connects the service, does its one
// job and disconnects.
#include "obex_commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/client_opp.h"
#include "engine_steps.h"
#include "platform/text/utf.h"
#include "transfer_progress.h"

namespace ctl {
namespace {

constexpr std::uintmax_t kLargestObject = 0xFFFFFFFFu;

// The device's service `id`, connected; null with a message when that fails.
CServiceDistant* ConnectedService(CDeviceLocal& local, const std::string& addressText, unsigned int id) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(addressText, &address) || !Activate(local)) return nullptr;
    CDeviceDistant* device = FindDevice(local, address);
    if (!device || !DiscoverServices(*device)) return nullptr;
    CServiceDistant* service = device->GetService(id);
    if (!service) {
        std::fprintf(stderr, "nimbrelctl: %s offers no %s service\n", Address(address).c_str(),
                     id == SERVICE_ID_FTP ? "file transfer" : "object push");
        return nullptr;
    }
    if (!ConnectService(*service)) return nullptr;
    return service;
}

// A local file that can be sent: readable, and below 4 GiB (an OBEX length is 32 bits).
bool SendableFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || !std::ifstream(path)) {
        std::fprintf(stderr, "nimbrelctl: cannot read '%s'\n", path.c_str());
        return false;
    }
    if (size > kLargestObject) {
        std::fprintf(stderr, "nimbrelctl: '%s' is 4 GiB or more, more than OBEX can send\n", path.c_str());
        return false;
    }
    return true;
}

std::vector<std::wstring> PathParts(const std::string& path) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : platform::WideFromUtf8(path) + L"/") {
        if (c != L'/' && c != L'\\') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

// The child of a listed folder by name, or null.
CFtpElement* Child(CFtpFolder& folder, const std::wstring& name, FTP_ELEMENT_TYPE type) {
    auto lock = folder.ElementsLock();
    for (CFtpElement* element : folder.arElements)
        if (element->uiType == type && element->GetName().str() == name) return element;
    return nullptr;
}

// Browses from the root down the folders named; the last one is listed. Null with a message
// when one is missing or could not be listed (the engine has reported why).
CFtpFolder* OpenFolder(CClientFtp& client, const std::vector<std::wstring>& folders) {
    CFtpFolder* folder = client.GetFolder();
    const auto listed = [](CFtpFolder* listing) {
        if (listing->Browse()) return true;
        std::fprintf(stderr, "nimbrelctl: could not list '%s'\n", Text(listing->GetPath()).c_str());
        return false;
    };
    if (!listed(folder)) return nullptr;
    for (const std::wstring& name : folders) {
        auto* next = static_cast<CFtpFolder*>(Child(*folder, name, FTP_FOLDER));
        if (!next) {
            std::fprintf(stderr, "nimbrelctl: no folder '%s'\n", platform::Utf8FromWide(name).c_str());
            return nullptr;
        }
        folder = next;
        if (!listed(folder)) return nullptr;
    }
    return folder;
}

// Runs `job` on the File Transfer service of the device, then disconnects.
template <class Job>
int WithFileTransfer(const std::string& address, Job job) {
    CDeviceLocal local;
    auto* client = static_cast<CClientFtp*>(ConnectedService(local, address, SERVICE_ID_FTP));
    if (!client) return kExitFailed;
    const int status = job(*client);
    client->Disconnect();
    local.Activate(0);
    return status;
}

// Splits a remote path into its folders and its last name.
bool SplitRemotePath(const std::string& path, std::vector<std::wstring>* folders, std::wstring* name) {
    *folders = PathParts(path);
    if (folders->empty()) {
        std::fprintf(stderr, "nimbrelctl: '%s' names no remote file\n", path.c_str());
        return false;
    }
    *name = folders->back();
    folders->pop_back();
    return true;
}

}  // namespace

int Push(const std::vector<std::string>& args) {
    if (!SendableFile(args[1])) return kExitFailed;
    CDeviceLocal local;
    auto* client = static_cast<CClientOpp*>(ConnectedService(local, args[0], SERVICE_ID_OPP));
    if (!client) return kExitFailed;
    TransferProgress progress;
    const std::wstring path = platform::WideFromUtf8(std::filesystem::absolute(args[1]).string());
    const bool pushed =
        client->PushObject(path.c_str(), &TransferProgress::Callback, progress.context()) && client->WaitForPush();
    client->Disconnect();
    local.Activate(0);
    return pushed ? kExitOk : kExitFailed;
}

int List(const std::vector<std::string>& args) {
    const std::vector<std::wstring> folders = args.size() > 1 ? PathParts(args[1]) : std::vector<std::wstring>();
    return WithFileTransfer(args[0], [&](CClientFtp& client) {
        CFtpFolder* folder = OpenFolder(client, folders);
        if (!folder) return kExitFailed;
        auto lock = folder->ElementsLock();
        for (CFtpElement* element : folder->arElements) {
            const std::string name = Text(element->GetName());
            if (element->uiType == FTP_FOLDER)
                std::printf("folder\t-\t%s\n", name.c_str());
            else
                std::printf("file\t%u\t%s\n", static_cast<CFtpFile*>(element)->dwSize, name.c_str());
        }
        return kExitOk;
    });
}

int Get(const std::vector<std::string>& args) {
    std::vector<std::wstring> folders;
    std::wstring name;
    if (!SplitRemotePath(args[1], &folders, &name)) return kExitUsage;
    std::string target = ".";
    if (args.size() == 4 && args[2] == "--to") {
        target = args[3];
    } else if (args.size() != 2) {
        std::fprintf(stderr, "usage: nimbrelctl get ADDRESS REMOTE-PATH [--to DIR]\n");
        return kExitUsage;
    }
    const std::filesystem::path folder = std::filesystem::absolute(target);
    return WithFileTransfer(args[0], [&](CClientFtp& client) {
        CFtpFolder* parent = OpenFolder(client, folders);
        auto* file = parent ? static_cast<CFtpFile*>(Child(*parent, name, FTP_FILE)) : nullptr;
        if (!file) {
            std::fprintf(stderr, "nimbrelctl: no file '%s'\n", args[1].c_str());
            return kExitFailed;
        }
        // The local folder is the engine's setting: it is put back as it was.
        const CString saved = client.GetPath();
        client.SetPath(platform::WideFromUtf8(folder.string()).c_str());
        TransferProgress progress;
        const bool fetched = file->GetFile(&TransferProgress::Callback, progress.context()) && file->WaitForTransfer();
        client.SetPath(saved);
        if (fetched) std::printf("%s\n", (folder / platform::Utf8FromWide(name)).string().c_str());
        return fetched ? kExitOk : kExitFailed;
    });
}

int Put(const std::vector<std::string>& args) {
    if (!SendableFile(args[2])) return kExitFailed;
    const std::wstring path = platform::WideFromUtf8(std::filesystem::absolute(args[2]).string());
    return WithFileTransfer(args[0], [&](CClientFtp& client) {
        CFtpFolder* folder = OpenFolder(client, PathParts(args[1]));
        if (!folder) return kExitFailed;
        TransferProgress progress;
        const bool uploaded =
            folder->PutFile(path.c_str(), &TransferProgress::Callback, progress.context()) && folder->WaitForTransfer();
        return uploaded ? kExitOk : kExitFailed;
    });
}

int Remove(const std::vector<std::string>& args) {
    std::vector<std::wstring> folders;
    std::wstring name;
    if (!SplitRemotePath(args[1], &folders, &name)) return kExitUsage;
    return WithFileTransfer(args[0], [&](CClientFtp& client) {
        CFtpFolder* parent = OpenFolder(client, folders);
        CFtpElement* element = parent ? Child(*parent, name, FTP_FILE) : nullptr;
        if (parent && !element) element = Child(*parent, name, FTP_FOLDER);
        if (!element || !parent->DeleteElement(element)) {
            std::fprintf(stderr, "nimbrelctl: '%s' was not deleted\n", args[1].c_str());
            return kExitFailed;
        }
        return kExitOk;
    });
}

}  // namespace ctl
