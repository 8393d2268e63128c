#pragma once
// A Bluetooth backend for the platform's driver tests: answers from fixed data and remembers
// what it was asked.
#include <fcntl.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_driver.h"
#include "support/serial_collector.h"

namespace testsupport {

// Serial links of the fake: what was asked for, what our side sent, and the sink through
// which a test plays the remote end.
class FakeSerial {
public:
    struct Request {
        BT_ADDR device;
        sdp::Uuid serviceClass;
        std::uint8_t channel;
        bool server;
    };

    DWORD error = 0;          // the answer to the next requests
    std::uint8_t channel = 7;  // the channel every link reports
    // When set, links hand their stream over: a socket whose other end is `remoteEnd`, after
    // `heldBeforeTake` went to the sink the old way.
    bool handsStream = false;
    std::string heldBeforeTake;
    platform::UniqueFd remoteEnd;

    DWORD Make(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link, const Request& request) {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (error) return error;
        sink_ = sink;
        *link = std::make_unique<Link>(this);
        ++open_;
        return 0;
    }
    // Waits until our side has sent `count` bytes in all; what it sent.
    std::string AwaitSent(std::size_t count) { return sent_.AwaitSize(count); }
    // The remote end speaks: to the sink of the latest link.
    void Speak(const std::string& text) {
        std::lock_guard lock(mutex_);
        sink_->Received(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    void Break() {
        std::lock_guard lock(mutex_);
        sink_->Broken();
    }
    std::vector<Request> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int open() {
        std::lock_guard lock(mutex_);
        return open_;
    }

private:
    class Link final : public bth::SerialLink {
    public:
        explicit Link(FakeSerial* owner) : owner_(owner) {}
        ~Link() override {
            if (stream_) ::shutdown(stream_.get(), SHUT_RDWR);
            std::lock_guard lock(owner_->mutex_);
            --owner_->open_;
        }
        DWORD Send(const std::uint8_t* data, std::size_t size) override {
            owner_->sent_.Received(data, size);
            return 0;
        }
        std::uint8_t Channel() const override {
            std::lock_guard lock(owner_->mutex_);
            return owner_->channel;
        }
        platform::UniqueFd TakeStream() override {
            if (!owner_->handsStream) return {};
            int ends[2];
            if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return {};
            stream_.reset(ends[0]);
            owner_->remoteEnd.reset(ends[1]);
            owner_->Speak(owner_->heldBeforeTake);
            return platform::UniqueFd(::fcntl(ends[0], F_DUPFD_CLOEXEC, 0));
        }

    private:
        FakeSerial* const owner_;
        platform::UniqueFd stream_;
    };

    std::mutex mutex_;
    std::vector<Request> requests_;
    SerialCollector sent_;  // what our side sent, from every link
    bth::SerialSink* sink_ = nullptr;
    int open_ = 0;
};

// Answers from fixed data and remembers what it was asked.
class FakeBackend final : public bth::Backend {
public:
    bool stack = true;
    bool powered = true;
    std::vector<bth::InquiryDevice> devices;
    std::vector<std::uint8_t> response;
    std::wstring name = L"Phone";
    std::vector<bth::BasebandLink> links;
    std::vector<bth::ServiceSearch> searches;
    std::vector<bth::Pin> pins;
    int unregistered = 0;
    HANDLE registered = nullptr;

    bool HasStack() override { return stack; }
    bool HasStackService() override { return true; }
    DWORD StartStack() override { return 0; }
    DWORD ControlStackService(bool) override { return 0; }
    std::string Describe() override { return "fake"; }
    DWORD WritePower(bool on) override { return powered = on, 0; }
    DWORD ReadScanMask(std::uint8_t* mask) override { return *mask = 3, 0; }
    DWORD WriteScanMask(std::uint8_t) override { return 0; }
    DWORD ReadAuthentication(std::uint8_t* enabled) override { return *enabled = 1, 0; }
    DWORD WriteAuthentication(std::uint8_t) override { return 0; }
    DWORD ReadLocalClass(std::uint32_t* cod) override { return *cod = 0x120114, 0; }
    DWORD ReadLocalAddress(BT_ADDR* address) override { return *address = 0x000A3A123456, 0; }
    DWORD ReadHardwareStatus(std::uint32_t* status) override {
        return *status = powered ? HCI_HARDWARE_RUNNING : HCI_HARDWARE_SHUTDOWN, 0;
    }
    DWORD ReadBasebandLinks(std::vector<bth::BasebandLink>* out) override { return *out = links, 0; }
    DWORD RemoteName(BT_ADDR address, std::wstring* out) override {
        if (address != 1) return ERROR_TIMEOUT;
        *out = name;
        return 0;
    }
    DWORD RemoteClass(BT_ADDR, std::uint32_t* cod) override { return *cod = 0x5A020C, 0; }
    DWORD PairRequest(BT_ADDR, const bth::Pin& pin) override { return pins.push_back(pin), 0; }
    DWORD AnswerPairRequest(BT_ADDR, const bth::Pin& pin) override { return pins.push_back(pin), 0; }
    DWORD RefusePinRequest(BT_ADDR) override { return 0; }
    DWORD RevokePin(BT_ADDR) override { return 0; }
    DWORD RevokeLinkKey(BT_ADDR) override { return 0; }
    DWORD RegisterPinRequestEvent(HANDLE event, DWORD, DWORD) override { return registered = event, 0; }
    DWORD UnregisterPinRequestEvent() override { return ++unregistered, 0; }
    DWORD NextPinRequest(BT_ADDR*) override { return ERROR_NO_MORE_ITEMS; }
    DWORD BeginInquiry(bth::LookupId* lookup) override { return *lookup = 1, 0; }
    DWORD BeginServiceSearch(const bth::ServiceSearch& search, bth::LookupId* lookup) override {
        searches.push_back(search);
        *lookup = 2;
        return 0;
    }
    DWORD NextInquiryDevice(bth::LookupId, bth::InquiryDevice* device) override {
        if (next_ >= devices.size()) return WSA_E_NO_MORE;
        *device = devices[next_++];
        return 0;
    }
    DWORD NextServiceResponse(bth::LookupId, std::vector<std::uint8_t>* out) override {
        if (delivered_) return WSA_E_NO_MORE;
        delivered_ = true;
        *out = response;
        return 0;
    }
    DWORD EndLookup(bth::LookupId) override { return 0; }
    DWORD PublishRecord(const std::vector<std::uint8_t>& record, std::uint32_t* handle) override {
        published.push_back(record);
        *handle = 0x10000 + static_cast<std::uint32_t>(published.size());
        return 0;
    }
    DWORD RemoveRecord(std::uint32_t handle) override { return removed.push_back(handle), 0; }
    DWORD ReadPublishedRecord(std::uint32_t handle, std::vector<std::uint8_t>* record) override {
        const std::uint32_t index = handle - 0x10001;
        if (handle <= 0x10000 || index >= published.size() ||
            std::find(removed.begin(), removed.end(), handle) != removed.end())
            return ERROR_NOT_FOUND;
        *record = published[index];
        return 0;
    }
    DWORD ConnectSerial(BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t channel, bth::SerialSink* sink,
                        std::unique_ptr<bth::SerialLink>* link) override {
        return serial.Make(sink, link, FakeSerial::Request{device, serviceClass, channel, false});
    }
    DWORD ListenSerial(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) override {
        return serial.Make(sink, link, FakeSerial::Request{0, {}, 0, true});
    }
    bool IsPortReserved(DWORD index) override { return reservedPort == index; }
    bool HasObexService() override { return true; }
    DWORD ControlObexService(bool) override { return 0; }
    bool HasObexComponent() override { return true; }

    FakeSerial serial;
    DWORD reservedPort = 0xFFFF;
    std::vector<std::vector<std::uint8_t>> published;
    std::vector<std::uint32_t> removed;

private:
    std::size_t next_ = 0;
    bool delivered_ = false;
};

}  // namespace testsupport
