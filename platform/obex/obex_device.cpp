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

// OBEX changes one folder per SETPATH; a path of several folders becomes several steps.
std::vector<PathStep> StepsOf(std::wstring_view path, std::uint8_t flags) {
    const auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const std::uint8_t down = flags & ~obex::kSetPathBackup;
    const std::uint8_t up = flags | obex::kSetPathBackup;
    if (path.empty()) return {flags & obex::kSetPathBackup ? PathStep{flags, std::nullopt} : PathStep{down, L""}};
    std::vector<PathStep> steps;
    if (isSeparator(path.front())) steps.push_back({down, L""});
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
    return steps;
}

class ObexDevice final : public IObexDevice {
public:
    explicit ObexDevice(std::unique_ptr<obex::Transport> transport)
        : session_(std::make_shared<obex::ClientSession>(std::move(transport))) {}

    HRESULT Connect(const wchar_t* password, DWORD, IHeaderCollection* headers) override {
        if (password && *password) return E_NOTIMPL;
        return ResultOf(session_->Connect(HeadersOf(headers)));
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

    HRESULT SetPath(const wchar_t* path, DWORD flags, IHeaderCollection* headers) override {
        const auto steps = StepsOf(path ? std::wstring_view(path) : std::wstring_view(), static_cast<std::uint8_t>(flags));
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const auto& step = steps[i];
            // The caller's headers go with the last step, the one that names the folder wanted.
            auto extra = i + 1 == steps.size() ? HeadersOf(headers) : std::vector<obex::Header>{};
            const auto result = session_->SetPath(step.flags, step.name ? &*step.name : nullptr, std::move(extra));
            if (!result.ok()) return ResultOf(result);
        }
        return S_OK;
    }

private:
    const std::shared_ptr<obex::ClientSession> session_;
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
    }
    return E_FAIL;
}

std::shared_ptr<IObexDevice> CreateObexDevice(std::unique_ptr<obex::Transport> transport) {
    if (!transport) return nullptr;
    return std::make_shared<ObexDevice>(std::move(transport));
}

}  // namespace platform
