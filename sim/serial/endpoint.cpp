#include "sim/serial/endpoint.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "sim/serial/modem.h"
#include "sim/serial/nmea.h"

namespace sim {
namespace {

class Echo final : public SerialEndpoint {
public:
    explicit Echo(Output output) : output_(std::move(output)) {}
    void Receive(const std::uint8_t* data, std::size_t size) override { output_(data, size); }

private:
    const Output output_;
};

class ModemEndpoint final : public SerialEndpoint {
public:
    explicit ModemEndpoint(Output output) : output_(std::move(output)) {}
    void Receive(const std::uint8_t* data, std::size_t size) override {
        const std::string answer = modem_.Feed({reinterpret_cast<const char*>(data), size});
        if (!answer.empty()) output_(reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size());
    }

private:
    const Output output_;
    Modem modem_;  // Receive calls come one at a time
};

// A GPS receiver: talks on its own, ignores what it is sent.
class NmeaTalker final : public SerialEndpoint {
public:
    NmeaTalker(Output output, std::uint32_t periodMs)
        : output_(std::move(output)), period_(periodMs), thread_([this] { Run(); }) {}
    ~NmeaTalker() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void Receive(const std::uint8_t*, std::size_t) override {}

private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (std::uint64_t n = 0; !stop_; ++n) {
            lock.unlock();
            const std::string text = NmeaSentences(WalkingFix(n, std::chrono::system_clock::now()));
            output_(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            lock.lock();
            wake_.wait_for(lock, period_, [this] { return stop_; });
        }
    }

    const Output output_;
    const std::chrono::milliseconds period_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;    // under mutex_
    std::thread thread_;  // last: starts once everything it uses exists
};

}  // namespace

Endpoint EndpointOf(const WorldService& service) {
    return service.endpoint.value_or(service.profile == Profile::DialupNetworking ? Endpoint::Modem : Endpoint::Echo);
}

std::unique_ptr<SerialEndpoint> MakeEndpoint(Endpoint kind, SerialEndpoint::Output output, std::uint32_t periodMs) {
    switch (kind) {
        case Endpoint::Nmea: return std::make_unique<NmeaTalker>(std::move(output), periodMs);
        case Endpoint::Modem: return std::make_unique<ModemEndpoint>(std::move(output));
        case Endpoint::Echo: break;
    }
    return std::make_unique<Echo>(std::move(output));
}

}  // namespace sim
