#include "platform/bluetooth/bt_serial_port.h"

#include <unistd.h>

#include <string>

#include "platform/kernel/paths.h"

namespace bth {

DWORD SerialPort::Create(std::shared_ptr<Backend> backend, DWORD index, const PORTEMUPortParams& record,
                         std::shared_ptr<SerialPort>* port) {
    const platform::PrivateFolder folder = platform::RuntimeFolder();
    if (folder.path.empty()) return ERROR_ACCESS_DENIED;
    const std::string name = "COM" + std::to_string(index);
    std::shared_ptr<SerialPort> made(new SerialPort(std::move(backend), record));
    if (DWORD error = platform::FileLock::Acquire(folder.path / (name + ".lock"), &made->lock_)) return error;
    made->pty_ = platform::Pty::Open();
    if (!made->pty_) return ERROR_NOT_ENOUGH_MEMORY;
    // Made beside and renamed over: a link a crashed process left behind is replaced at once.
    const std::filesystem::path fresh = folder.path / ("." + name + ".new");
    ::unlink(fresh.c_str());
    if (::symlink(made->pty_->slavePath().c_str(), fresh.c_str()) != 0) return ERROR_GEN_FAILURE;
    made->linkPath_ = folder.path / name;
    if (::rename(fresh.c_str(), made->linkPath_.c_str()) != 0) {
        ::unlink(fresh.c_str());
        return ERROR_GEN_FAILURE;
    }
    *port = std::move(made);
    return ERROR_SUCCESS;
}

DWORD SerialPort::Connect(SerialSink* sink, std::unique_ptr<SerialLink>* link) {
    if (record_.flocal) return backend_->ListenSerial(sink, link);
    const auto channel = static_cast<std::uint8_t>(record_.channel);
    return backend_->ConnectSerial(record_.device, sdp::Uuid::FromGuid(record_.uuidService), channel, sink, link);
}

DWORD SerialPort::Attach() {
    std::lock_guard lock(mutex_);
    if (closed_) return ERROR_DEV_NOT_EXIST;
    if (!current_ || current_->broken()) {
        current_.reset();  // stopped first: one pump at a time reads the terminal
        auto fresh = std::make_unique<SerialConnection>(pty_->master());
        if (DWORD error = fresh->Start([this](SerialSink* sink, std::unique_ptr<SerialLink>* link) {
                return Connect(sink, link);
            }))
            return error;
        current_ = std::move(fresh);
    }
    ++users_;
    return ERROR_SUCCESS;
}

void SerialPort::Detach() {
    std::lock_guard lock(mutex_);
    if (--users_ == 0) current_.reset();
}

bool SerialPort::Channel(std::uint8_t* channel) {
    std::lock_guard lock(mutex_);
    if (!current_) return false;
    *channel = current_->channel();
    return true;
}

void SerialPort::Close() {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    current_.reset();
    if (!linkPath_.empty()) ::unlink(linkPath_.c_str());
    pty_.reset();
    lock_.reset();  // last: the index is free once nothing of this port is left
}

}  // namespace bth
