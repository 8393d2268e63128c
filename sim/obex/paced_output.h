#pragma once
// What a server sends over a link of a limited rate. Each answer reaches our side once the time
// its bytes take has gone by, in order, from a thread of the link: the thread that sent the
// request is free meanwhile, so that it can be interrupted and an ABORT can come in. Without a
// rate, answers go out at once on the caller's thread.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/obex/obex_header.h"
#include "sim/serial/endpoint.h"

namespace sim {

class PacedOutput {
public:
    PacedOutput(SerialEndpoint::Output output, std::function<void()> hangup, std::uint32_t kbps);
    // Stops the link's thread; what has not gone yet is dropped, and nothing is output after this.
    ~PacedOutput();
    PacedOutput(const PacedOutput&) = delete;
    PacedOutput& operator=(const PacedOutput&) = delete;

    void Send(const obex::Bytes& bytes);
    // Everything queued goes at once (an abort does not wait for answers still on their way).
    void Hurry();
    // Breaks the link once everything queued has gone, without waiting for the link.
    void HangUp();

private:
    struct Item {
        obex::Bytes bytes;
        bool hangup = false;
        std::uint64_t number = 0;
    };
    void Run();

    const SerialEndpoint::Output output_;
    const std::function<void()> hangup_;
    const std::uint32_t kbps_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> queue_;       // under mutex_
    std::uint64_t queued_ = 0;     // under mutex_: items queued so far
    std::uint64_t hurriedTo_ = 0;  // under mutex_: the items numbered up to this go without a pause
    bool stop_ = false;            // under mutex_
    std::thread thread_;           // last: started once everything it uses exists
};

}  // namespace sim
