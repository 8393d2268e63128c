// Random and mutated bytes through every parsing entry point. Each buffer sits in a heap block of
// exactly its size, so the sanitizer builds catch a single byte read past the end.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_search.h"
#include "platform/bluetooth/sdp_stream.h"

namespace sdp {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes MutatedOrRandom(std::mt19937& rng, const std::vector<Bytes>& seeds) {
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    if (pick(8) == 0) {
        Bytes random(pick(64));
        for (auto& b : random) b = static_cast<std::uint8_t>(rng());
        return random;
    }
    Bytes bytes = seeds[pick(seeds.size())];
    for (std::size_t edits = 1 + pick(4); edits > 0 && !bytes.empty(); --edits) {
        const std::size_t at = pick(bytes.size());
        switch (pick(4)) {
            case 0:
                bytes[at] = static_cast<std::uint8_t>(rng());
                break;
            case 1:
                bytes[at] = 0xFF;
                break;  // huge lengths, reserved types
            case 2:
                bytes.resize(at);
                break;
            default:
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(rng()));
        }
    }
    return bytes;
}

TEST(SdpFuzz, HostileBytesNeverCrashAndGoodOnesRoundTrip) {
    std::vector<Record> database = {
        BuildRfcommServiceRecord(1, uuids::kSerialPort, 1, "Serial", false, 0x0102),
        BuildRfcommServiceRecord(2, uuids::kObexFileTransfer, 2, "Files", true, std::nullopt),
    };
    const std::vector<Bytes> seeds = {
        Encode(AnswerServiceSearchAttribute(database, {uuids::kL2cap}, 0, 0xFFFF)),
        Encode(DataElement::Alternative({DataElement::Int64(-1), DataElement::Url("u"), DataElement::UInt128({})})),
        {0x27, 0x00, 0x00, 0x00, 0x02, 'h', 'i'},
    };
    std::mt19937 rng(20240611);
    std::size_t decoded = 0;
    for (int i = 0; i < 20000; ++i) {
        const Bytes bytes = MutatedOrRandom(rng, seeds);
        const std::size_t size = bytes.size();
        const auto exact = std::make_unique<std::uint8_t[]>(size);
        std::copy(bytes.begin(), bytes.end(), exact.get());

        DataElement e;
        std::size_t consumed = 0;
        const DecodeResult r = Decode(exact.get(), size, &e, &consumed);
        ASSERT_EQ(r.ok(), Decode(exact.get(), size, nullptr, nullptr).ok());
        if (r) {
            ++decoded;
            ASSERT_LE(consumed, size);
            DataElement again;
            ASSERT_TRUE(Decode(Encode(e), &again));
            ASSERT_TRUE(again == e);
        } else {
            ASSERT_LT(r.offset, std::max<std::size_t>(size, 1));
        }
        ASSERT_EQ(Validate(exact.get(), size),
                  r.ok() && (consumed == size || Validate(exact.get() + consumed, size - consumed)));

        std::size_t count = 0;
        std::vector<Record> records;
        const bool shaped = VerifySequenceOfSequences(exact.get(), size, &count);
        if (RetrieveRecords(exact.get(), size, &records)) {
            ASSERT_TRUE(shaped);
            ASSERT_EQ(records.size(), count);
            for (const Record& rec : records) (void)RfcommChannel(rec), (void)ServiceName(rec);
        }
    }
    EXPECT_GT(decoded, 1000u) << "mutations too destructive to exercise the happy path";
}

}  // namespace
}  // namespace sdp
