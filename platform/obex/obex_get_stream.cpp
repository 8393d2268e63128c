#include <algorithm>
#include <cstring>

#include "platform/obex/obex_streams.h"

namespace platform {
namespace {

// Hands out the body of one answer at a time, asking for the next when it is used up.
class GetStream final : public IStream {
public:
    GetStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation,
              std::vector<obex::Header> firstAnswer, bool more)
        : session_(std::move(session)), operation_(operation), more_(more) {
        TakeBody(firstAnswer);
    }
    ~GetStream() override { session_->EndOperation(operation_); }

    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        if (read) *read = 0;
        if (!buffer && size != 0) return E_POINTER;
        if (size == 0) return S_OK;
        while (at_ == part_.size()) {
            if (FAILED(outcome_)) return outcome_;
            if (!more_) return S_FALSE;
            std::vector<obex::Header> answer;
            outcome_ = ResultOf(session_->GetNext(operation_, &answer, &more_));
            if (SUCCEEDED(outcome_)) TakeBody(answer);
        }
        const std::size_t take = std::min<std::size_t>(size, part_.size() - at_);
        std::memcpy(buffer, part_.data() + at_, take);
        at_ += take;
        if (read) *read = static_cast<ULONG>(take);
        return S_OK;
    }

    HRESULT Write(const void*, ULONG, ULONG* written) override {
        if (written) *written = 0;
        return E_NOTIMPL;
    }

    HRESULT Commit(DWORD) override { return S_OK; }

private:
    // The body is taken out of the answer, not copied (an answer rarely has more than one).
    void TakeBody(std::vector<obex::Header>& answer) {
        part_.clear();
        at_ = 0;
        for (auto& header : answer) {
            if (header.id() != obex::hid::kBody && header.id() != obex::hid::kEndOfBody) continue;
            auto* bytes = header.bytes();
            if (!bytes) continue;
            if (part_.empty()) {
                part_.swap(*bytes);
            } else {
                part_.insert(part_.end(), bytes->begin(), bytes->end());
            }
        }
    }

    const std::shared_ptr<obex::ClientSession> session_;
    const obex::OperationId operation_;
    bool more_;
    obex::Bytes part_;
    std::size_t at_ = 0;
    HRESULT outcome_ = S_OK;  // the first failure sticks
};

}  // namespace

std::unique_ptr<IStream> MakeGetStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation,
                                       std::vector<obex::Header> firstAnswer, bool more) {
    return std::make_unique<GetStream>(std::move(session), operation, std::move(firstAnswer), more);
}

}  // namespace platform
