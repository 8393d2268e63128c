// SDP costs on a typical service-search-attribute reply (eight RFCOMM records): checking its
// shape, parsing it into records, and the server building it from a record database.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_search.h"
#include "platform/bluetooth/sdp_stream.h"

namespace {

std::vector<sdp::Record> Database() {
    std::vector<sdp::Record> records;
    for (std::uint8_t i = 1; i <= 8; ++i) {
        const bool obex = i % 2 == 0;
        records.push_back(sdp::BuildRfcommServiceRecord(0x10000 + i,
                                                        obex ? sdp::uuids::kObexObjectPush : sdp::uuids::kSerialPort, i,
                                                        "Service name", obex, 0x0102));
    }
    return records;
}

const std::vector<std::uint8_t>& Reply() {
    static const auto reply =
        sdp::Encode(sdp::AnswerServiceSearchAttribute(Database(), {sdp::uuids::kL2cap}, 0, 0xFFFF));
    return reply;
}

void BM_VerifyReply(benchmark::State& state) {
    const auto& reply = Reply();
    for (auto _ : state) {
        std::size_t count = 0;
        if (!sdp::VerifySequenceOfSequences(reply.data(), reply.size(), &count)) state.SkipWithError("bad reply");
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_VerifyReply);

void BM_RetrieveRecords(benchmark::State& state) {
    const auto& reply = Reply();
    for (auto _ : state) {
        std::vector<sdp::Record> records;
        if (!sdp::RetrieveRecords(reply.data(), reply.size(), &records)) state.SkipWithError("bad reply");
        benchmark::DoNotOptimize(records);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_RetrieveRecords);

void BM_AnswerAndEncode(benchmark::State& state) {
    const auto database = Database();
    for (auto _ : state) {
        auto bytes = sdp::Encode(sdp::AnswerServiceSearchAttribute(database, {sdp::uuids::kSerialPort}, 0, 0xFFFF));
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_AnswerAndEncode);

}  // namespace

BENCHMARK_MAIN();
