#include "bluez/profile/server_link.h"

namespace bluez {

ServerLink::ServerLink(std::uint8_t channel, bth::SerialSink* sink, std::function<void()> closed)
    : channel_(channel), sink_(sink), closed_(std::move(closed)) {}

ServerLink::~ServerLink() {
    if (closed_) closed_();
    std::lock_guard lock(mutex_);
    current_.reset();
}

bool ServerLink::Attach(int fd) {
    std::shared_ptr<SocketLink> gone;  // its reader has ended: letting it go does not wait
    std::lock_guard lock(mutex_);
    if (current_ && !current_->broken()) return false;
    gone = std::move(current_);
    current_ = std::make_shared<SocketLink>(fd, channel_, sink_, false);
    return true;
}

void ServerLink::HangUp() {
    std::lock_guard lock(mutex_);
    if (current_) current_->HangUp();
}

DWORD ServerLink::Send(const std::uint8_t* data, std::size_t size) {
    std::shared_ptr<SocketLink> current;
    {
        std::lock_guard lock(mutex_);
        current = current_;
    }
    if (!current || current->broken()) return ERROR_DEVICE_NOT_CONNECTED;
    return current->Send(data, size);
}

}  // namespace bluez
