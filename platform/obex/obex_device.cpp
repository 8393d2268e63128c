#include <algorithm>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/obex/obex_streams.h"

namespace platform {
namespace {

std::vector<obex::Header> HeadersOf(IHeaderCollection* headers) {
    return headers ? headers->Headers() : std::vector<obex::Header>{};
}

// One SETPATH: its flags and its Name (none: no Name header).
struct PathStep {
    std::uint8_t flags;
    std::optional<std::wstring> name;
};

// A folder as the names leading to it from the root.
using Folder = std::vector<std::wstring>;

// Where `step` leads from `from`.
Folder After(Folder from, const PathStep& step) {
    if (step.name && step.name->empty()) return {};  // the root
    if ((step.flags & obex::kSetPathBackup) && !from.empty()) from.pop_back();
    if (step.name) from.push_back(*step.name);
    return from;
}

// OBEX changes one folder per SETPATH; a path of several folders becomes several steps. From
// a folder known (`from`), a path that leads where the session already is takes no step at
// all, and one below it only the steps down.
std::vector<PathStep> StepsOf(std::wstring_view path, std::uint8_t flags, const std::optional<Folder>& from) {
    const auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const std::uint8_t down = flags & ~obex::kSetPathBackup;
    const std::uint8_t up = flags | obex::kSetPathBackup;
    if (path.empty()) {
        const PathStep only = flags & obex::kSetPathBackup ? PathStep{flags, std::nullopt} : PathStep{down, L""};
        if (only.name && from && from->empty()) return {};  // at the root already
        return {only};
    }
    std::vector<PathStep> steps;
    const bool absolute = isSeparator(path.front());
    if (absolute) steps.push_back({down, L""});
    while (!path.empty()) {
        std::size_t end = 0;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        const std::wstring_view part = path.substr(0, end);
        path.remove_prefix(end < path.size() ? end + 1 : end);
        if (part.empty() || part == L".") continue;
        if (part == L"..") {
            steps.push_back({up, std::nullopt});
        } else {
            steps.push_back({down, std::wstring(part)});
        }
    }
    // A single name keeps the caller's backup flag: up one level, then into the folder.
    if (steps.size() == 1 && steps[0].name && !steps[0].name->empty()) steps[0].flags = flags;
    if (!absolute || !from) return steps;
    Folder target;
    for (const PathStep& step : steps) target = After(std::move(target), step);
    if (target.size() < from->size() || !std::equal(from->begin(), from->end(), target.begin())) return steps;
    // Already on the way: only what lies below the session's folder.
    std::vector<PathStep> below;
    for (std::size_t i = from->size(); i < target.size(); ++i) below.push_back({down, target[i]});
    return below;
}

class ObexDevice final : public IObexDevice {
public:
    ObexDevice(std::unique_ptr<obex::Transport> transport, std::chrono::milliseconds timeout)
        : session_(std::make_shared<obex::ClientSession>(std::move(transport), timeout)) {}

    HRESULT Connect(const wchar_t* password, DWORD, IHeaderCollection* headers) override {
        if (password && *password) return E_NOTIMPL;
        const obex::SessionResult result = session_->Connect(HeadersOf(headers));
        SetFolder(result.ok() ? std::optional<Folder>(Folder{}) : std::nullopt);  // a session starts at the root
        return ResultOf(result);
    }

    HRESULT Disconnect(IHeaderCollection* headers) override { return ResultOf(session_->Disconnect(HeadersOf(headers))); }

    HRESULT Put(IHeaderCollection* headers, std::unique_ptr<IStream>* stream) override {
        if (!stream) return E_POINTER;
        auto list = HeadersOf(headers);
        const bool declared = obex::FindHeader(list, obex::hid::kLength) != nullptr;
        obex::OperationId operation = 0;
        if (HRESULT result = ResultOf(session_->BeginPut(std::move(list), &operation)); FAILED(result)) return result;
        *stream = MakePutStream(session_, operation, declared);
        return S_OK;
    }

    HRESULT Get(IHeaderCollection* headers, std::unique_ptr<IStream>* stream) override {
        if (!stream) return E_POINTER;
        obex::OperationId operation = 0;
        std::vector<obex::Header> answer;
        bool more = false;
        HRESULT result = ResultOf(session_->BeginGet(HeadersOf(headers), &operation, &answer, &more));
        if (FAILED(result)) return result;
        *stream = MakeGetStream(session_, operation, std::move(answer), more);
        return S_OK;
    }

    HRESULT Abort(IHeaderCollection* headers) override { return ResultOf(session_->Abort(HeadersOf(headers))); }

    // Every step must succeed; the first refused one ends the walk where the session stands.
    HRESULT SetPath(const wchar_t* path, DWORD flags, IHeaderCollection* headers) override {
        std::optional<Folder> folder = CurrentFolder();
        const auto steps =
            StepsOf(path ? std::wstring_view(path) : std::wstring_view(), static_cast<std::uint8_t>(flags), folder);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const auto& step = steps[i];
            // The caller's headers go with the last step, the one that names the folder wanted.
            auto extra = i + 1 == steps.size() ? HeadersOf(headers) : std::vector<obex::Header>{};
            const auto result = session_->SetPath(step.flags, step.name ? &*step.name : nullptr, std::move(extra));
            // A refusal leaves the peer where it was; after anything else nobody knows.
            if (!result.ok()) {
                if (result.status != obex::SessionStatus::Refused && result.status != obex::SessionStatus::Busy)
                    SetFolder(std::nullopt);
                else
                    SetFolder(folder);
                return ResultOf(result);
            }
            if (folder || (step.name && step.name->empty())) folder = After(folder.value_or(Folder{}), step);
        }
        SetFolder(folder);
        return S_OK;
    }

private:
    std::optional<Folder> CurrentFolder() const {
        std::lock_guard lock(folderLock_);
        return folder_;
    }
    void SetFolder(std::optional<Folder> folder) {
        std::lock_guard lock(folderLock_);
        folder_ = std::move(folder);
    }

    const std::shared_ptr<obex::ClientSession> session_;
    mutable std::mutex folderLock_;
    std::optional<Folder> folder_;  // where the peer is; unknown before CONNECT and after a failed step
};

}  // namespace

HRESULT ResultOf(const obex::SessionResult& result) {
    switch (result.status) {
        case obex::SessionStatus::Ok: return S_OK;
        case obex::SessionStatus::Refused: return ObexResponseResult(result.response);
        case obex::SessionStatus::LinkFailed: return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
        case obex::SessionStatus::BadResponse: return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        case obex::SessionStatus::Aborted: return E_ABORT;
        case obex::SessionStatus::TooLarge: return E_INVALIDARG;
        case obex::SessionStatus::Busy: return HRESULT_FROM_WIN32(ERROR_BUSY);
        case obex::SessionStatus::NotConnected: return E_UNEXPECTED;
        case obex::SessionStatus::TimedOut: return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    }
    return E_FAIL;
}

std::shared_ptr<IObexDevice> CreateObexDevice(std::unique_ptr<obex::Transport> transport,
                                              std::chrono::milliseconds timeout) {
    if (!transport) return nullptr;
    return std::make_shared<ObexDevice>(std::move(transport), timeout);
}

}  // namespace platform
