// OBEX codec costs on the largest PUT packet (65535 bytes: Connection Id and a full Body).
#include <benchmark/benchmark.h>

#include "platform/obex/obex_packet.h"

namespace {

obex::Request FullPut() {
    obex::Request put;
    put.opcode = obex::Opcode::Put;
    put.final = false;
    put.headers = {obex::Header::ConnectionId(1), obex::Header::Body(obex::Bytes(65535 - 3 - 5 - 3, 0x5A))};
    return put;
}

void BM_EncodePut(benchmark::State& state) {
    const obex::Request put = FullPut();
    obex::Bytes packet;
    for (auto _ : state) {
        if (obex::EncodeRequest(put, &packet) != obex::CodecError::None) state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(packet.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
}
BENCHMARK(BM_EncodePut);

void BM_DecodePut(benchmark::State& state) {
    obex::Bytes packet;
    obex::EncodeRequest(FullPut(), &packet);
    obex::Request put;
    for (auto _ : state) {
        if (obex::DecodeRequest(packet, &put) != obex::CodecError::None) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(put.headers.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
}
BENCHMARK(BM_DecodePut);

}  // namespace

BENCHMARK_MAIN();
