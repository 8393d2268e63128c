#include "platform/kernel/msgqueue.h"

#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/kernel/kernel_object.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"

namespace {

// The shared queue; its state is guarded by the platform's wait lock.
struct Queue {
    DWORD maxMessages = 0;
    DWORD maxMessageSize = 0;
    std::deque<std::vector<unsigned char>> messages;
    int readers = 0;
    int writers = 0;
};

class QueueEnd final : public platform::KernelObject {
public:
    QueueEnd(std::shared_ptr<Queue> queue, bool reader) : queue_(std::move(queue)), reader_(reader) {
        std::lock_guard lock(platform::WaitLock());
        ++(reader_ ? queue_->readers : queue_->writers);
    }
    ~QueueEnd() override {
        {
            std::lock_guard lock(platform::WaitLock());
            --(reader_ ? queue_->readers : queue_->writers);
        }
        platform::WakeWaiters();  // a writer blocked on a full queue gives up
    }
    bool IsWaitable() const override { return reader_; }
    bool IsSignaled() const override { return reader_ && !queue_->messages.empty(); }

    const std::shared_ptr<Queue>& queue() const { return queue_; }
    bool reader() const { return reader_; }

private:
    std::shared_ptr<Queue> queue_;
    const bool reader_;
};

std::chrono::steady_clock::time_point Deadline(DWORD timeout) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
}

// Waits on the wait lock until `ready` holds; false on time-out.
template <class Ready>
bool WaitUntil(std::unique_lock<std::mutex>& lock, DWORD timeout, Ready ready) {
    if (timeout == INFINITE) {
        platform::WaitCondition().wait(lock, ready);
        return true;
    }
    return platform::WaitCondition().wait_until(lock, Deadline(timeout), ready);
}

bool ValidOptions(const MSGQUEUEOPTIONS* options) {
    return options && options->dwSize >= sizeof(MSGQUEUEOPTIONS) && options->cbMaxMessage > 0;
}

}  // namespace

HANDLE CreateMsgQueue(LPCWSTR, const MSGQUEUEOPTIONS* options) {
    if (!ValidOptions(options)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto queue = std::make_shared<Queue>();
    queue->maxMessages = options->dwMaxMessages;
    queue->maxMessageSize = options->cbMaxMessage;
    return platform::AddHandle(std::make_shared<QueueEnd>(queue, options->bReadAccess != FALSE));
}

HANDLE OpenMsgQueue(HANDLE, HANDLE source, const MSGQUEUEOPTIONS* options) {
    auto end = platform::LookupHandleAs<QueueEnd>(source);
    if (!end || !options || options->dwSize < sizeof(MSGQUEUEOPTIONS)) {
        SetLastError(end ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return platform::AddHandle(std::make_shared<QueueEnd>(end->queue(), options->bReadAccess != FALSE));
}

BOOL WriteMsgQueue(HANDLE handle, const void* buffer, DWORD size, DWORD timeout, DWORD) {
    auto end = platform::LookupHandleAs<QueueEnd>(handle);
    if (!end || end->reader()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Queue& queue = *end->queue();
    if (size > queue.maxMessageSize || (size && !buffer)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    {
        std::unique_lock lock(platform::WaitLock());
        bool ready = WaitUntil(lock, timeout, [&] {
            return queue.readers == 0 || queue.maxMessages == 0 || queue.messages.size() < queue.maxMessages;
        });
        if (queue.readers == 0) {
            SetLastError(ERROR_PIPE_NOT_CONNECTED);
            return FALSE;
        }
        if (!ready) {
            SetLastError(ERROR_TIMEOUT);
            return FALSE;
        }
        queue.messages.emplace_back(bytes, bytes + size);
    }
    platform::WakeWaiters();
    return TRUE;
}

BOOL ReadMsgQueue(HANDLE handle, void* buffer, DWORD size, DWORD* bytesRead, DWORD timeout, DWORD* flags) {
    auto end = platform::LookupHandleAs<QueueEnd>(handle);
    if (!end || !end->reader()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Queue& queue = *end->queue();
    {
        std::unique_lock lock(platform::WaitLock());
        if (!WaitUntil(lock, timeout, [&] { return !queue.messages.empty(); })) {
            SetLastError(queue.writers == 0 ? ERROR_PIPE_NOT_CONNECTED : ERROR_TIMEOUT);
            return FALSE;
        }
        auto& message = queue.messages.front();
        if (message.size() > size || (!buffer && !message.empty())) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);  // the message stays for a larger buffer
            return FALSE;
        }
        if (!message.empty()) std::memcpy(buffer, message.data(), message.size());
        if (bytesRead) *bytesRead = static_cast<DWORD>(message.size());
        if (flags) *flags = 0;
        queue.messages.pop_front();
    }
    platform::WakeWaiters();  // room for a blocked writer
    return TRUE;
}

BOOL CloseMsgQueue(HANDLE queue) { return CloseHandle(queue); }

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }
