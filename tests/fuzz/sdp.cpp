// SDP bytes as a remote device sends them: the data-element codec, the checks of a search
// reply and the readers of its records. Whatever decodes must encode and decode back to itself.
#include <vector>

#include "fuzz_support.h"
#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_search.h"
#include "platform/bluetooth/sdp_stream.h"

namespace {

using namespace sdp;

void CheckRoundTrip(const DataElement& element) {
    const std::vector<std::uint8_t> encoded = Encode(element);
    FUZZ_CHECK(encoded.size() == EncodedSize(element));
    DataElement again;
    std::size_t consumed = 0;
    FUZZ_CHECK(Decode(encoded, &again, &consumed).ok());
    FUZZ_CHECK(consumed == encoded.size());
    FUZZ_CHECK(again == element);
    FUZZ_CHECK(Encode(again) == encoded);
}

// What the engine and the simulated radio read of a record, and the record written back.
void ReadRecord(const Record& record) {
    HasServiceClass(record, uuids::kSerialPort);
    RfcommChannel(record);
    ServiceName(record);
    RecordContainsUuid(record, uuids::kRfcomm);
    FUZZ_CHECK(Record::FromElement(record.ToElement()) == record);
    FUZZ_CHECK(IsRecordStream(record.Encode()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput) return 0;
    ElementHeader header;
    if (ReadHeader(data, size, &header).ok()) FUZZ_CHECK(header.headerSize + header.valueSize <= size);

    // Element after element, as Validate walks them.
    std::size_t at = 0;
    bool allDecoded = size > 0;
    while (at < size) {
        DataElement element;
        std::size_t consumed = 0, checked = 0;
        const DecodeResult result = Decode(data + at, size - at, &element, &consumed);
        FUZZ_CHECK(Decode(data + at, size - at, nullptr, &checked).error == result.error);
        if (!result) {
            allDecoded = false;
            break;
        }
        FUZZ_CHECK(consumed > 0 && consumed <= size - at && checked == consumed);
        CheckRoundTrip(element);
        if (const auto record = Record::FromElement(element)) ReadRecord(*record);
        at += consumed;
    }
    FUZZ_CHECK(Validate(data, size) == allDecoded);

    // The whole input as a service-search-attribute reply.
    std::size_t count = 0;
    const bool verified = VerifySequenceOfSequences(data, size, &count);
    std::vector<Record> records;
    if (RetrieveRecords(data, size, &records)) {
        FUZZ_CHECK(verified && records.size() == count);
        for (const Record& record : records) ReadRecord(record);
        CheckRoundTrip(AnswerServiceSearchAttribute(records, {uuids::kL2cap}, 0x0000, 0xFFFF));
    }
    IsRecordStream(std::vector<std::uint8_t>(data, data + size));
    return 0;
}
