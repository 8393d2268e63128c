#pragma once
// One RFCOMM link of a COM port and the pump that joins it to the port's pseudo-terminal:
// what a program writes to the terminal goes to the remote end, what the remote end sends is
// written for the program to read. Bytes pass unaltered; none are lost while the link lives
// (a full terminal holds the link back until the program reads or the link is stopped).
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/bluetooth/bt_backend.h"
#include "platform/kernel/pty.h"

namespace bth {

class SerialConnection final : public SerialSink {
public:
    // Makes a link to the remote end, with this as its sink: ConnectSerial or ListenSerial.
    using Connect = std::function<DWORD(SerialSink* sink, std::unique_ptr<SerialLink>* link)>;

    // `master` is the terminal's master side; it must outlive Stop.
    explicit SerialConnection(int master) : master_(master) {}
    ~SerialConnection() override { Stop(); }
    SerialConnection(const SerialConnection&) = delete;
    SerialConnection& operator=(const SerialConnection&) = delete;

    // Makes the link and starts the pump; the backend's error when the link cannot be made.
    DWORD Start(const Connect& connect);
    // Stops the pump (joined) and closes the link. Afterwards nothing touches the terminal.
    void Stop();

    // The remote end went away; nothing more arrives.
    bool broken() const { return broken_; }
    std::uint8_t channel() const { return channel_; }

    // SerialSink, on a backend thread.
    void Received(const std::uint8_t* data, std::size_t size) override;
    void Broken() override { broken_ = true; }

private:
    void Pump();

    const int master_;
    const platform::WakeFd stopping_;  // set by Stop: ends the pump and any write waiting for room
    std::unique_ptr<SerialLink> link_;
    std::uint8_t channel_ = 0;
    std::atomic<bool> broken_{false};
    std::mutex stopMutex_;  // one Stop at a time
    std::thread pump_;
};

}  // namespace bth
