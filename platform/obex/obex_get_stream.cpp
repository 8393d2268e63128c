#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/obex/obex_streams.h"

namespace platform {
namespace {

// Answers in a row that bring no body before the GET is given up: a peer that answers
// Continue for ever makes no progress.
constexpr int kMaxEmptyAnswers = 1000;

// Hands out the body of one answer at a time, asking for the next when it is used up.
class GetStream final : public IStream {
public:
    GetStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation,
              std::vector<obex::Header> firstAnswer, bool more)
        : session_(std::move(session)), operation_(operation), more_(more) {
        if (const obex::Header* length = obex::FindHeader(firstAnswer, obex::hid::kLength); length && length->quad())
            announced_ = *length->quad();
        TakeBody(firstAnswer);
        outcome_ = Bounded();
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
            if (SUCCEEDED(outcome_)) outcome_ = Bounded();
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
    // A failure when the peer broke a bound; the operation then ends (it is aborted).
    HRESULT Bounded() {
        HRESULT failure = S_OK;
        if (announced_ && received_ > *announced_) failure = OBEX_E_BODY_PAST_LENGTH;
        emptyAnswers_ = part_.empty() ? emptyAnswers_ + 1 : 0;
        if (emptyAnswers_ > kMaxEmptyAnswers) failure = OBEX_E_NO_PROGRESS;
        if (FAILED(failure)) {  // nothing of this answer is handed out
            part_.clear();
            at_ = 0;
            more_ = false;
            session_->EndOperation(operation_);
        }
        return failure;
    }

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
        received_ += part_.size();
    }

    const std::shared_ptr<obex::ClientSession> session_;
    const obex::OperationId operation_;
    bool more_;
    obex::Bytes part_;
    std::size_t at_ = 0;
    std::optional<std::uint64_t> announced_;  // the first answer's Length
    std::uint64_t received_ = 0;
    int emptyAnswers_ = 0;
    HRESULT outcome_ = S_OK;  // the first failure sticks
};

}  // namespace

std::unique_ptr<IStream> MakeGetStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation,
                                       std::vector<obex::Header> firstAnswer, bool more) {
    return std::make_unique<GetStream>(std::move(session), operation, std::move(firstAnswer), more);
}

}  // namespace platform
