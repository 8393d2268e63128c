#include <algorithm>
#include <cstring>

#include "platform/obex/obex_streams.h"

namespace platform {
namespace {

// Collects the small writes of the caller into whole packets: a packet goes out only when it
// is full and more bytes follow, so every part but the last fills the peer's maximum.
class PutStream final : public IStream {
public:
    PutStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation, bool declaredObject)
        : session_(std::move(session)), operation_(operation), declared_(declaredObject),
          capacity_(session_->BodyCapacity()) {
        part_.reserve(capacity_);
    }
    ~PutStream() override { session_->EndOperation(operation_); }

    HRESULT Write(const void* data, ULONG size, ULONG* written) override {
        if (written) *written = 0;
        if (!data && size != 0) return E_POINTER;
        if (FAILED(outcome_)) return outcome_;
        if (committed_) return E_UNEXPECTED;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        for (ULONG done = 0; done < size;) {
            if (part_.size() == capacity_) {
                if (HRESULT sent = Send(false); FAILED(sent)) return sent;
            }
            const std::size_t take = std::min<std::size_t>(size - done, capacity_ - part_.size());
            part_.insert(part_.end(), bytes + done, bytes + done + take);
            done += static_cast<ULONG>(take);
        }
        wrote_ = wrote_ || size > 0;
        if (written) *written = size;
        return S_OK;
    }

    HRESULT Read(void*, ULONG, ULONG* read) override {
        if (read) *read = 0;
        return E_NOTIMPL;
    }

    HRESULT Commit(DWORD) override {
        if (FAILED(outcome_) || committed_) return outcome_;
        committed_ = true;
        return Send(true);
    }

private:
    HRESULT Send(bool last) {
        const obex::SessionResult result = session_->PutPart(operation_, &part_, last, wrote_ || declared_);
        outcome_ = ResultOf(result);
        return outcome_;
    }

    const std::shared_ptr<obex::ClientSession> session_;
    const obex::OperationId operation_;
    const bool declared_;
    const std::size_t capacity_;
    obex::Bytes part_;
    bool wrote_ = false;
    bool committed_ = false;
    HRESULT outcome_ = S_OK;  // the first failure sticks
};

}  // namespace

std::unique_ptr<IStream> MakePutStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation,
                                       bool declaredObject) {
    return std::make_unique<PutStream>(std::move(session), operation, declaredObject);
}

}  // namespace platform
