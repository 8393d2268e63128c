#include "sim/stack_requests.h"

#include "sim/radio.h"

namespace sim {

DWORD HandleStackRequest(Radio& radio, DWORD code, BthCallBlock& block) {
    radio.CountRequest();
    switch (code) {
        case bth::kWriteScanEnableMask: return radio.WriteScanMask(static_cast<std::uint8_t>(block.value));
        case bth::kWriteAuthenticationEnable: return radio.WriteAuthentication(static_cast<std::uint8_t>(block.value));
        case bth::kReadScanEnableMask: {
            std::uint8_t mask = 0;
            DWORD error = radio.ReadScanMask(&mask);
            if (!error) block.value = mask;
            return error;
        }
        case bth::kReadAuthenticationEnable: {
            std::uint8_t value = 0;
            DWORD error = radio.ReadAuthentication(&value);
            if (!error) block.value = value;
            return error;
        }
        case bth::kReadCod: return radio.ReadClass(&block.value);
        case bth::kReadLocalAddr: return radio.ReadAddress(&block.address);
        case bth::kGetHardwareStatus: return radio.ReadHardwareStatus(&block.value);
        case bth::kGetBasebandConnections:
            return radio.ReadBasebandConnections(block.connections, block.value, &block.count);

        case bth::kRemoteNameQuery: return radio.RemoteName(block.address, block.value, block.name, block.requiredSize);
        case bth::kGetRemoteCod: return radio.RemoteClass(block.address, &block.value);
        case bth::kPairRequest:
        case bth::kAnswerPairRequest: return radio.PairRequest(block.address);

        case bth::kSetSecurityUi: return radio.SetSecurityUi(block.event, block.storeTimeout, block.processTimeout);
        case bth::kGetPinRequest: return radio.GetPinRequest(&block.address);

        case bth::kNsLookupServiceBegin: return radio.LookupBegin(block.querySet, block.flags, &block.lookup);
        case bth::kNsLookupServiceNext: return radio.LookupNext(block.lookup, block.querySet, &block.bufferLength);
        case bth::kNsLookupServiceEnd: return radio.LookupEnd(block.lookup);

        default:
            // Not simulated yet: refusing a PIN request, revoking a PIN or a link key, and
            // publishing SDP records (kNsSetService).
            return ERROR_NOT_SUPPORTED;
    }
}

}  // namespace sim
