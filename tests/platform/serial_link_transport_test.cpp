// The OBEX transport over a backend serial link: pushed bytes become blocking reads, held in
// a bounded buffer, and every wait can be released.
#include <gtest/gtest.h>

#include <future>

#include "fake_backend.h"
#include "platform/obex/serial_link_transport.h"

namespace {

using obex::SerialLinkTransport;
using obex::TransportStatus;

std::string ReadSome(obex::Transport& transport, std::size_t size, TransportStatus* status) {
    std::string bytes(size, '\0');
    const auto result = transport.Receive(std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), size));
    *status = result.status;
    bytes.resize(result.count);
    return bytes;
}

TEST(SerialLinkTransport, HoldsAFewPacketsWaitsCanBeReleasedAndABreakEndsTheStreamAfterItsBytes) {
    testsupport::FakeBackend backend;
    std::unique_ptr<SerialLinkTransport> transport;
    backend.serial.error = ERROR_TIMEOUT;
    EXPECT_EQ(SerialLinkTransport::Open(backend, 1, sdp::uuids::kObexObjectPush, 9, &transport), ERROR_TIMEOUT);
    backend.serial.error = 0;
    ASSERT_EQ(SerialLinkTransport::Open(backend, 1, sdp::uuids::kObexObjectPush, 9, &transport), 0u);

    // A blocked read is released by Interrupt, and reads again after ClearInterrupt.
    TransportStatus status{};
    auto blocked = std::async(std::launch::async, [&] { return ReadSome(*transport, 4, &status); });
    transport->Interrupt();
    EXPECT_EQ(blocked.get(), "");
    EXPECT_EQ(status, TransportStatus::Interrupted);
    transport->ClearInterrupt();

    // A remote end that outruns the reader waits for room instead of growing the buffer.
    const std::string flood(SerialLinkTransport::kCapacity + 1000, 'f');
    auto speaker = std::async(std::launch::async, [&] { backend.serial.Speak(flood); });
    std::string got;
    while (got.size() < flood.size()) {
        got += ReadSome(*transport, 70000, &status);
        ASSERT_EQ(status, TransportStatus::Ok);
    }
    speaker.get();
    EXPECT_EQ(got, flood);

    backend.serial.Speak("end");
    backend.serial.Break();
    EXPECT_EQ(ReadSome(*transport, 10, &status), "end");
    EXPECT_EQ(ReadSome(*transport, 10, &status), "");
    EXPECT_EQ(status, TransportStatus::Closed);
    const std::uint8_t byte = 0;
    EXPECT_EQ(transport->Send(std::span(&byte, 1)).status, TransportStatus::Closed);

    // Closing hangs the link up at once, before the transport goes.
    ASSERT_EQ(SerialLinkTransport::Open(backend, 1, sdp::uuids::kObexObjectPush, 9, &transport), 0u);
    EXPECT_EQ(backend.serial.open(), 1);
    transport->Close();
    EXPECT_EQ(backend.serial.open(), 0);
    EXPECT_EQ(transport->Send(std::span(&byte, 1)).status, TransportStatus::Closed);
}

// A link that hands its socket over: what it delivered before comes first, then the session
// talks to the socket itself, and closing still ends the link.
TEST(SerialLinkTransport, OnALinksOwnSocketHeldBytesComeFirstAndInterruptAndCloseStillWork) {
    testsupport::FakeBackend backend;
    backend.serial.handsStream = true;
    backend.serial.heldBeforeTake = "held";
    std::unique_ptr<SerialLinkTransport> transport;
    ASSERT_EQ(SerialLinkTransport::Open(backend, 1, sdp::uuids::kObexFileTransfer, 9, &transport), 0u);
    const int remote = backend.serial.remoteEnd.get();

    ASSERT_EQ(::write(remote, "direct", 6), 6);
    TransportStatus status{};
    EXPECT_EQ(ReadSome(*transport, 3, &status), "hel");
    EXPECT_EQ(ReadSome(*transport, 10, &status), "d");
    EXPECT_EQ(ReadSome(*transport, 10, &status), "direct");

    const std::uint8_t request[] = {0x83, 0x00, 0x03};
    ASSERT_EQ(transport->Send(request).status, TransportStatus::Ok);
    std::uint8_t got[8] = {};
    EXPECT_EQ(::read(remote, got, sizeof got), 3);
    EXPECT_EQ(backend.serial.AwaitSent(0), "");  // nothing went the link's own way

    auto blocked = std::async(std::launch::async, [&] { return ReadSome(*transport, 4, &status); });
    transport->Interrupt();
    EXPECT_EQ(blocked.get(), "");
    EXPECT_EQ(status, TransportStatus::Interrupted);
    transport->ClearInterrupt();

    transport->SetDeadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
    EXPECT_EQ(ReadSome(*transport, 4, &status), "");
    EXPECT_EQ(status, TransportStatus::TimedOut);

    transport->Close();
    EXPECT_EQ(backend.serial.open(), 0);
    EXPECT_EQ(::read(remote, got, sizeof got), 0);  // the remote end hears the hang-up
}

}  // namespace
