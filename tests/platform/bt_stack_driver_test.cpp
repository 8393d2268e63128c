// The stack driver "BTD0:" over a backend: how the call shapes the engine uses are decoded
// into typed requests, and how the backend's answers are laid out for the caller.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_driver.h"
#include "platform/bluetooth/bt_namespace.h"
#include "platform/bluetooth/bt_service_search.h"
#include "platform/kernel/kernel.h"
#include "platform/fake_backend.h"

namespace {

using testsupport::FakeBackend;

class BtStackDriver : public ::testing::Test {
protected:
    void SetUp() override {
        bth::InstallBackend(backend);
        stack = CreateFileW(L"BTD0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(stack, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        CloseHandle(stack);
        bth::InstallBackend(nullptr);
    }
    DWORD Request(DWORD code, BthCallBlock& block) {
        if (DeviceIoControl(stack, code, &block, sizeof block, nullptr, 0, nullptr, nullptr)) return 0;
        return GetLastError();
    }
    DWORD Begin(WSAQUERYSETW* query, DWORD flags, HANDLE* lookup) {
        BthCallBlock block;
        block.querySet = query;
        block.flags = flags;
        const DWORD error = Request(bth::kNsLookupServiceBegin, block);
        *lookup = block.lookup;
        return error;
    }
    // Next into a buffer of `*length` bytes, aligned for the result head.
    DWORD Next(HANDLE lookup, DWORD* length) {
        buffer.assign((*length + 7) / 8, 0);
        BthCallBlock block;
        block.lookup = lookup;
        block.bufferLength = *length;
        block.querySet = buffer.empty() ? nullptr : Head();
        const DWORD error = Request(bth::kNsLookupServiceNext, block);
        *length = block.bufferLength;
        return error;
    }
    WSAQUERYSETW* Head() { return reinterpret_cast<WSAQUERYSETW*>(buffer.data()); }
    bool Inside(const void* p, std::size_t size) const {
        auto* at = static_cast<const std::uint8_t*>(p);
        auto* begin = reinterpret_cast<const std::uint8_t*>(buffer.data());
        return at >= begin && at + size <= begin + buffer.size() * 8;
    }
    DWORD BeginInquiry(HANDLE* lookup) {
        WSAQUERYSETW query{};
        query.dwSize = sizeof query;
        query.dwNameSpace = NS_BTH;
        return Begin(&query, LUP_CONTAINERS, lookup);
    }

    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    HANDLE stack = nullptr;
    std::vector<std::uint64_t> buffer;
};

TEST_F(BtStackDriver, InquiryResultsLieWhollyInsideTheCallersBuffer) {
    backend->devices = {{0x0012AB34CD56, 0x5A020C, L"Köln GPS"}};
    HANDLE lookup = nullptr;
    ASSERT_EQ(BeginInquiry(&lookup), 0u);
    DWORD length = 1024;
    ASSERT_EQ(Next(lookup, &length), 0u);
    const WSAQUERYSETW& head = *Head();
    EXPECT_EQ(head.dwSize, sizeof(WSAQUERYSETW));
    EXPECT_EQ(head.dwNameSpace, NS_BTH);
    ASSERT_TRUE(Inside(head.lpszServiceInstanceName, 9 * sizeof(wchar_t)));
    EXPECT_EQ(std::wstring(head.lpszServiceInstanceName), L"Köln GPS");
    ASSERT_EQ(head.dwNumberOfCsAddrs, 1u);
    ASSERT_TRUE(Inside(head.lpcsaBuffer, sizeof(CSADDR_INFO)));
    const SOCKADDR_BTH* remote = head.lpcsaBuffer->RemoteAddr.lpSockaddr;
    ASSERT_TRUE(Inside(remote, sizeof(SOCKADDR_BTH)));
    EXPECT_EQ(remote->addressFamily, AF_BTH);
    EXPECT_EQ(remote->btAddr, 0x0012AB34CD56u);
    ASSERT_TRUE(Inside(head.lpBlob, sizeof(BLOB)));
    ASSERT_EQ(head.lpBlob->cbSize, sizeof(BthInquiryResult));
    ASSERT_TRUE(Inside(head.lpBlob->pBlobData, sizeof(BthInquiryResult)));
    const auto* result = reinterpret_cast<const BthInquiryResult*>(head.lpBlob->pBlobData);
    EXPECT_EQ(result->ba, 0x0012AB34CD56u);
    EXPECT_EQ(result->cod, 0x5A020Cu);
    length = 1024;
    EXPECT_EQ(Next(lookup, &length), WSA_E_NO_MORE);
}

TEST_F(BtStackDriver, AShortBufferLearnsTheSizeAndTheResultWaitsForTheNextTry) {
    backend->devices = {{1, 0, L"Phone"}, {2, 0, L"Laptop"}};
    HANDLE lookup = nullptr;
    ASSERT_EQ(BeginInquiry(&lookup), 0u);
    DWORD length = 0;  // no buffer at all: a size probe
    ASSERT_EQ(Next(lookup, &length), WSAEFAULT);
    const DWORD needed = length;
    EXPECT_GT(needed, sizeof(WSAQUERYSETW) + 6 * sizeof(wchar_t));
    length = needed - 1;
    ASSERT_EQ(Next(lookup, &length), WSAEFAULT);
    EXPECT_EQ(length, needed);
    ASSERT_EQ(Next(lookup, &length), 0u);
    EXPECT_EQ(std::wstring(Head()->lpszServiceInstanceName), L"Phone");
    length = 1024;
    ASSERT_EQ(Next(lookup, &length), 0u);
    EXPECT_EQ(std::wstring(Head()->lpszServiceInstanceName), L"Laptop");

    // The same for an SDP response, whose bytes arrive exactly as the backend gave them.
    backend->response = {0x35, 0x05, 0x35, 0x03, 0x09, 0x00, 0x01};
    SdpQueryUuid uuid{};
    uuid.u.uuid16 = 0x1101;
    uuid.uuidType = SDP_ST_UUID16;
    BthServiceSearchQuery search(7, uuid, 0, 0xFFFF);
    ASSERT_EQ(Begin(&search.query, 0, &lookup), 0u);
    length = sizeof(WSAQUERYSETW);
    ASSERT_EQ(Next(lookup, &length), WSAEFAULT);
    ASSERT_EQ(Next(lookup, &length), 0u);
    const BLOB* blob = Head()->lpBlob;
    ASSERT_TRUE(Inside(blob, sizeof(BLOB)) && Inside(blob->pBlobData, blob->cbSize));
    EXPECT_EQ(std::vector<std::uint8_t>(blob->pBlobData, blob->pBlobData + blob->cbSize), backend->response);
}

TEST_F(BtStackDriver, ServiceSearchRestrictionsDecodeAtEveryUuidWidth) {
    SdpQueryUuid uuids[3] = {};
    uuids[0].u.uuid16 = 0x1105;
    uuids[0].uuidType = SDP_ST_UUID16;
    uuids[1].u.uuid32 = 0x00011105;
    uuids[1].uuidType = SDP_ST_UUID32;
    uuids[2].u.uuid128 = sdp::uuids::kObexFileTransfer.ToGuid();
    uuids[2].uuidType = SDP_ST_UUID128;
    const sdp::Uuid expected[3] = {sdp::Uuid::FromShort(0x1105), sdp::Uuid::FromShort(0x00011105),
                                   sdp::uuids::kObexFileTransfer};
    for (int i = 0; i < 3; ++i) {
        BthServiceSearchQuery search(0x0012AB34CD56, uuids[i], 4, 9);
        HANDLE lookup = nullptr;
        ASSERT_EQ(Begin(&search.query, 0, &lookup), 0u);
        const bth::ServiceSearch& got = backend->searches.back();
        EXPECT_EQ(got.target, 0x0012AB34CD56u);
        ASSERT_EQ(got.pattern.size(), 1u);
        EXPECT_EQ(got.pattern[0], expected[i]) << i;
        ASSERT_EQ(got.ranges.size(), 1u);
        EXPECT_EQ(got.ranges[0].first, 4);
        EXPECT_EQ(got.ranges[0].last, 9);
    }
}

TEST_F(BtStackDriver, MalformedQueriesAreRefusedBeforeTheBackend) {
    SOCKADDR_BTH address{AF_BTH, 7, {}, 0};
    CSADDR_INFO csa{};
    csa.RemoteAddr.lpSockaddr = &address;
    BTHNS_RESTRICTIONBLOB restriction{};
    restriction.type = SDP_SERVICE_SEARCH_ATTRIBUTE_REQUEST;
    restriction.uuids[0].u.uuid16 = 0x1101;
    restriction.uuids[0].uuidType = SDP_ST_UUID16;
    restriction.numRange = 1;
    restriction.pRange[0] = {0, 0xFFFF};
    BLOB blob{sizeof restriction, reinterpret_cast<BYTE*>(&restriction)};
    WSAQUERYSETW query{};
    query.dwNameSpace = NS_BTH;
    query.lpcsaBuffer = &csa;
    query.lpBlob = &blob;
    HANDLE lookup = nullptr;
    ASSERT_EQ(Begin(&query, 0, &lookup), 0u);  // the well-formed one
    const HANDLE good = lookup;
    const auto refused = [&] { return Begin(&query, 0, &lookup); };
    const auto expectRefused = [&](const char* what) { EXPECT_EQ(refused(), WSAEINVAL) << what; };

    blob.cbSize = sizeof restriction - 1;
    expectRefused("short blob");
    blob.cbSize = sizeof restriction;
    restriction.numRange = 2;
    expectRefused("second range outside the blob");
    restriction.numRange = 0;
    expectRefused("no range");
    restriction.numRange = 1;
    restriction.pRange[0] = {9, 8};
    expectRefused("backwards range");
    restriction.pRange[0] = {0, 0xFFFF};
    restriction.type = SDP_SERVICE_SEARCH_REQUEST;
    expectRefused("another request type");
    restriction.type = SDP_SERVICE_SEARCH_ATTRIBUTE_REQUEST;
    restriction.uuids[0].uuidType = 0x0830;
    expectRefused("unknown UUID type");
    restriction.uuids[0].uuidType = 0;
    expectRefused("no UUID");
    restriction.uuids[0].uuidType = SDP_ST_UUID16;
    blob.pBlobData = nullptr;
    expectRefused("no blob data");
    query.lpBlob = nullptr;
    expectRefused("no blob");
    query.lpBlob = &blob;
    blob.pBlobData = reinterpret_cast<BYTE*>(&restriction);
    csa.RemoteAddr.lpSockaddr = nullptr;
    expectRefused("no remote address");
    query.lpcsaBuffer = nullptr;
    expectRefused("no address list");
    query.dwNameSpace = NS_BTH + 1;
    EXPECT_EQ(Begin(&query, LUP_CONTAINERS, &lookup), WSAEINVAL);
    EXPECT_EQ(Begin(nullptr, LUP_CONTAINERS, &lookup), WSAEINVAL);
    EXPECT_EQ(backend->searches.size(), 1u);

    BthCallBlock end;
    end.lookup = good;
    EXPECT_EQ(Request(bth::kNsLookupServiceEnd, end), 0u);
    EXPECT_EQ(Request(bth::kNsLookupServiceEnd, end), WSAEINVAL);  // handles are not reused
    DWORD length = 1024;
    EXPECT_EQ(Next(good, &length), WSAEINVAL);
}

TEST_F(BtStackDriver, RemoteNamesReportTheSizeAndFillOnlyABufferThatHoldsThem) {
    backend->name = L"Korvo K610";  // 11 characters with the terminator
    for (DWORD capacity : {11u, 10u, 0u}) {
        std::wstring text(capacity + 1, L'#');  // one spare to catch a write past the size given
        DWORD required = 0;
        BthCallBlock block;
        block.address = 1;
        block.value = capacity;
        block.name = capacity ? text.data() : nullptr;
        block.requiredSize = &required;
        EXPECT_EQ(Request(bth::kRemoteNameQuery, block), capacity >= 11 ? 0u : ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(required, 11u);
        EXPECT_EQ(text[capacity], L'#');
        if (capacity >= 11) {
            EXPECT_EQ(std::wstring(text.c_str()), L"Korvo K610");
        }
    }
    BthCallBlock block;
    block.address = 2;
    block.value = 4;
    EXPECT_EQ(Request(bth::kRemoteNameQuery, block), ERROR_INVALID_PARAMETER);  // a size without a buffer
}

TEST_F(BtStackDriver, PinsAndSecurityRegistrationsAreCheckedAndPassedOn) {
    BthCallBlock block;
    block.address = 1;
    block.value = 17;
    EXPECT_EQ(Request(bth::kPairRequest, block), ERROR_INVALID_PARAMETER);
    block.value = 0;
    EXPECT_EQ(Request(bth::kAnswerPairRequest, block), ERROR_INVALID_PARAMETER);
    block.value = 4;
    std::memcpy(block.pin, "1234", 4);
    EXPECT_EQ(Request(bth::kPairRequest, block), 0u);
    ASSERT_EQ(backend->pins.size(), 1u);
    EXPECT_EQ(backend->pins[0], (bth::Pin{'1', '2', '3', '4'}));

    BthCallBlock security;
    security.storeTimeout = 5;
    EXPECT_EQ(Request(bth::kSetSecurityUi, security), ERROR_INVALID_PARAMETER);  // time-outs without an event
    security.storeTimeout = 0;
    EXPECT_EQ(Request(bth::kSetSecurityUi, security), 0u);
    EXPECT_EQ(backend->unregistered, 1);
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    security.event = event;
    EXPECT_EQ(Request(bth::kSetSecurityUi, security), 0u);
    EXPECT_EQ(backend->registered, event);
    CloseHandle(event);
}

TEST_F(BtStackDriver, PublishingWritesTheHandleBackAndDeletingPassesItOn) {
    const std::vector<std::uint8_t> record = {0x35, 0x03, 0x09, 0x00, 0x01};
    std::vector<std::uint8_t> block(offsetof(BTHNS_SETBLOB, pRecord) + record.size());
    ULONG version = 1, handle = 0;
    BTHNS_SETBLOB head{};
    head.pSdpVersion = &version;
    head.pRecordHandle = &handle;
    head.ulRecordLength = static_cast<ULONG>(record.size());
    std::memcpy(block.data(), &head, offsetof(BTHNS_SETBLOB, pRecord));
    std::memcpy(block.data() + offsetof(BTHNS_SETBLOB, pRecord), record.data(), record.size());
    BLOB blob{static_cast<ULONG>(block.size()), block.data()};
    WSAQUERYSETW query{};
    query.dwSize = sizeof query;
    query.dwNameSpace = NS_BTH;
    query.lpBlob = &blob;
    BthCallBlock call;
    call.querySet = &query;
    call.operation = RNRSERVICE_REGISTER;
    ASSERT_EQ(Request(bth::kNsSetService, call), 0u);
    EXPECT_EQ(handle, 0x10001u);
    ASSERT_EQ(backend->published.size(), 1u);
    EXPECT_EQ(backend->published[0], record);

    blob.cbSize -= 1;  // the record no longer fits the blob it claims to be in
    EXPECT_EQ(Request(bth::kNsSetService, call), WSAEINVAL);
    call.operation = 7;
    EXPECT_EQ(Request(bth::kNsSetService, call), WSAEINVAL);
    call.operation = RNRSERVICE_DELETE;
    ASSERT_EQ(Request(bth::kNsSetService, call), 0u);
    EXPECT_EQ(backend->removed, (std::vector<std::uint32_t>{0x10001}));
    EXPECT_EQ(backend->published.size(), 1u);
}

TEST_F(BtStackDriver, BasebandLinksBecomeDriverRecords) {
    backend->links = {{7, 0xFFFF0012AB34CD56ull, 3, true, false, true, 2}};
    BthDriverConnection records[2] = {};
    BthCallBlock block;
    block.value = 2;
    block.connections = records;
    ASSERT_EQ(Request(bth::kGetBasebandConnections, block), 0u);
    EXPECT_EQ(block.count, 1u);
    EXPECT_EQ(records[0].handle, 7);
    EXPECT_EQ(records[0].address, 0x0012AB34CD56u);
    EXPECT_EQ(records[0].packetsPending, 3);
    EXPECT_EQ(records[0].flags, 1u | 4u | (2u << 3));
}

TEST(BtStackDevices, ExistOnlyWhileABackendSaysSo) {
    EXPECT_EQ(CreateFileW(L"BTD0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    auto backend = std::make_shared<FakeBackend>();
    backend->stack = false;
    bth::InstallBackend(backend);
    EXPECT_EQ(CreateFileW(L"BTD0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    HANDLE service = CreateFileW(L"BTS1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(service, INVALID_HANDLE_VALUE);
    CloseHandle(service);
    bth::InstallBackend(nullptr);
    EXPECT_EQ(bth::InstalledBackend(), nullptr);
}

}  // namespace
