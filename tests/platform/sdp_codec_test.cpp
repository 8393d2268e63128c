// Data elements on the wire: decoding literal bytes (good and hostile), encoding, round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bluetooth/sdp_codec.h"

namespace sdp {
namespace {

using Bytes = std::vector<std::uint8_t>;
using E = DataElement;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 0x00, 0x01, ..., 0x0F: a recognisable 128-bit value.
const DataElement::Bytes16 kCounting = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

TEST(SdpDecode, DecodesEveryTypeAndWidth) {
    const Uuid custom = *Uuid::FromString("12345678-9ABC-DEF0-0102-030405060708");
    const struct {
        Bytes bytes;
        DataElement expected;
    } cases[] = {
        {{0x00}, E::Nil()},
        {{0x08, 0xFF}, E::UInt8(255)},
        {{0x09, 0x12, 0x34}, E::UInt16(0x1234)},
        {{0x0A, 0x12, 0x34, 0x56, 0x78}, E::UInt32(0x12345678)},
        {{0x0B, 1, 2, 3, 4, 5, 6, 7, 8}, E::UInt64(0x0102030405060708)},
        {Cat({0x0C}, Bytes(kCounting.begin(), kCounting.end())), E::UInt128(kCounting)},
        {{0x10, 0xFF}, E::Int8(-1)},
        {{0x11, 0xFF, 0xFE}, E::Int16(-2)},
        {{0x12, 0x80, 0x00, 0x00, 0x00}, E::Int32(INT32_MIN)},
        {{0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD}, E::Int64(-3)},
        {Cat({0x14}, Bytes(kCounting.begin(), kCounting.end())), E::Int128(kCounting)},
        {{0x19, 0x11, 0x01}, E::Uuid16(0x1101)},
        {{0x1A, 0x00, 0x01, 0x11, 0x01}, E::Uuid32(0x11101)},
        {Cat({0x1C}, Bytes(custom.bytes.begin(), custom.bytes.end())), E::Uuid128(custom)},
        {{0x25, 0x03, 'a', 'b', 'c'}, E::Text("abc")},
        {{0x26, 0x00, 0x03, 'a', 'b', 'c'}, E::Text("abc")},  // wider length forms than needed are fine
        {{0x27, 0x00, 0x00, 0x00, 0x03, 'a', 'b', 'c'}, E::Text("abc")},
        {{0x25, 0x00}, E::Text("")},
        {{0x28, 0x00}, E::Bool(false)},
        {{0x28, 0x01}, E::Bool(true)},
        {{0x35, 0x03, 0x19, 0x11, 0x01}, E::Sequence({E::Uuid16(0x1101)})},
        {{0x35, 0x00}, E::Sequence({})},
        {{0x3D, 0x04, 0x08, 0x01, 0x28, 0x00}, E::Alternative({E::UInt8(1), E::Bool(false)})},
        {{0x45, 0x04, 'h', 't', 't', 'p'}, E::Url("http")},
        {{0x35, 0x07, 0x35, 0x05, 0x09, 0x00, 0x01, 0x28, 0x01},
         E::Sequence({E::Sequence({E::UInt16(1), E::Bool(true)})})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        // One byte of trailing data must be left alone.
        const Bytes buffer = Cat(c.bytes, {0xEE});
        DataElement e;
        std::size_t consumed = 0;
        ASSERT_TRUE(Decode(buffer.data(), buffer.size(), &e, &consumed));
        EXPECT_EQ(consumed, c.bytes.size());
        EXPECT_TRUE(e == c.expected);
        EXPECT_TRUE(Validate(c.bytes.data(), c.bytes.size()));
    }
}

TEST(SdpDecode, RejectsMalformedBytesAndSaysWhereAndWhy) {
    const struct {
        const char* what;
        Bytes bytes;
        DecodeError error;
        std::size_t offset;
    } cases[] = {
        {"empty buffer", {}, DecodeError::Truncated, 0},
        {"nil with a value", {0x01, 0x00, 0x00}, DecodeError::BadSizeIndex, 0},
        {"unsigned with a length", {0x0D, 0x01, 0x00}, DecodeError::BadSizeIndex, 0},
        {"signed with a length", {0x17, 0, 0, 0, 0}, DecodeError::BadSizeIndex, 0},
        {"1-byte uuid", {0x18, 0x01}, DecodeError::BadSizeIndex, 0},
        {"8-byte uuid", {0x1B, 0, 0, 0, 0, 0, 0, 0, 0}, DecodeError::BadSizeIndex, 0},
        {"2-byte boolean", {0x29, 0x00, 0x01}, DecodeError::BadSizeIndex, 0},
        {"fixed-size text", {0x20, 'a'}, DecodeError::BadSizeIndex, 0},
        {"fixed-size sequence", {0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DecodeError::BadSizeIndex, 0},
        {"fixed-size url", {0x42, 0, 0, 0, 0}, DecodeError::BadSizeIndex, 0},
        {"type 9", {0x48, 0x00}, DecodeError::ReservedType, 0},
        {"type 31", {0xFF}, DecodeError::ReservedType, 0},
        {"short uint16", {0x09, 0x12}, DecodeError::Truncated, 0},
        {"short uint128", {0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DecodeError::Truncated, 0},
        {"boolean without value", {0x28}, DecodeError::Truncated, 0},
        {"missing 8-bit length", {0x25}, DecodeError::Truncated, 0},
        {"short 16-bit length", {0x26, 0x00}, DecodeError::Truncated, 0},
        {"short 32-bit length", {0x37, 0x00, 0x00, 0x00}, DecodeError::Truncated, 0},
        {"text past the end", {0x25, 0x04, 'a', 'b', 'c'}, DecodeError::LengthOverrun, 0},
        {"32-bit length of 4 GiB - 1", {0x27, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, DecodeError::LengthOverrun, 0},
        {"sequence of 4 GiB - 1", {0x37, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, DecodeError::LengthOverrun, 0},
        {"child wider than parent", {0x35, 0x02, 0x09, 0x00, 0x01}, DecodeError::ChildOverrun, 2},
        {"child length past parent", {0x35, 0x03, 0x25, 0x05, 'a', 'b', 'c', 'd', 'e'}, DecodeError::ChildOverrun, 2},
        {"second child past parent", {0x35, 0x04, 0x09, 0x00, 0x01, 0x09, 0x00, 0x02}, DecodeError::ChildOverrun, 5},
        {"grandchild past its parent", {0x35, 0x05, 0x35, 0x01, 0x09, 0x00, 0x01}, DecodeError::ChildOverrun, 4},
        {"reserved type deep inside", {0x35, 0x04, 0x3D, 0x02, 0x48, 0x00}, DecodeError::ReservedType, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DataElement e = E::UInt8(7);
        std::size_t consumed = 99;
        const DecodeResult r = Decode(c.bytes.data(), c.bytes.size(), &e, &consumed);
        EXPECT_EQ(DecodeErrorName(r.error), DecodeErrorName(c.error));
        EXPECT_EQ(r.offset, c.offset);
        EXPECT_TRUE(e == E::UInt8(7)) << "output changed on failure";
        EXPECT_EQ(consumed, 99u);
        std::size_t errorOffset = 0;
        EXPECT_FALSE(Validate(c.bytes.data(), c.bytes.size(), &errorOffset));
        EXPECT_EQ(errorOffset, c.offset);
    }
}

// `depth` sequences inside each other around a nil.
Bytes Nested(std::size_t depth) {
    Bytes bytes = {0x00};
    for (std::size_t i = 0; i < depth; ++i) bytes = Cat({0x35, static_cast<std::uint8_t>(bytes.size())}, bytes);
    return bytes;
}

TEST(SdpDecode, LimitsNesting) {
    EXPECT_TRUE(Decode(Nested(kMaxNesting), nullptr));
    const Bytes tooDeep = Nested(kMaxNesting + 1);
    const DecodeResult r = Decode(tooDeep, nullptr);
    EXPECT_EQ(r.error, DecodeError::TooDeep);
    EXPECT_EQ(r.offset, 2 * kMaxNesting);
}

TEST(SdpValidate, NeedsWholeElementsBackToBack) {
    const Bytes two = {0x35, 0x03, 0x19, 0x11, 0x01, 0x08, 0x05};
    EXPECT_TRUE(Validate(two.data(), two.size()));
    std::size_t errorOffset = 0;
    const Bytes trailingHeader = {0x35, 0x03, 0x19, 0x11, 0x01, 0x35};
    EXPECT_FALSE(Validate(trailingHeader.data(), trailingHeader.size(), &errorOffset));
    EXPECT_EQ(errorOffset, 5u);
    const Bytes trailingJunk = {0x08, 0x05, 0x08, 0x06, 0xFA};
    EXPECT_FALSE(Validate(trailingJunk.data(), trailingJunk.size(), &errorOffset));
    EXPECT_EQ(errorOffset, 4u);
}

TEST(SdpEncode, WritesShortestForms) {
    EXPECT_EQ(Encode(E::Sequence({E::Uuid16(0x1101)})), (Bytes{0x35, 0x03, 0x19, 0x11, 0x01}));
    EXPECT_EQ(Encode(E::Nil()), Bytes{0x00});
    EXPECT_EQ(Encode(E::Int16(-2)), (Bytes{0x11, 0xFF, 0xFE}));
    EXPECT_EQ(Encode(E::Uuid32(0x11101)), (Bytes{0x1A, 0x00, 0x01, 0x11, 0x01}));
    EXPECT_EQ(Encode(E::Alternative({E::Bool(true), E::Url("x")})), (Bytes{0x3D, 0x05, 0x28, 0x01, 0x45, 0x01, 'x'}));

    const struct {
        std::size_t length;
        Bytes header;
    } lengths[] = {
        {255, {0x25, 0xFF}},
        {256, {0x26, 0x01, 0x00}},
        {65535, {0x26, 0xFF, 0xFF}},
        {65536, {0x27, 0x00, 0x01, 0x00, 0x00}},
    };
    for (const auto& l : lengths) {
        const Bytes bytes = Encode(E::Text(std::string(l.length, 'n')));
        ASSERT_EQ(bytes.size(), l.header.size() + l.length);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + l.header.size()), l.header);
        EXPECT_EQ(EncodedSize(E::Text(std::string(l.length, 'n'))), bytes.size());
    }
    // A sequence's length field grows with its children.
    const Bytes big = Encode(E::Sequence({E::Text(std::string(300, 'n'))}));
    EXPECT_EQ(Bytes(big.begin(), big.begin() + 3), (Bytes{0x36, 0x01, 0x2F}));
}

TEST(SdpEncode, RoundTripsEveryType) {
    const DataElement all = E::Sequence({
        E::Nil(),
        E::UInt8(1),
        E::UInt16(2),
        E::UInt32(3),
        E::UInt64(UINT64_MAX),
        E::UInt128(kCounting),
        E::Int8(-1),
        E::Int16(INT16_MIN),
        E::Int32(-3),
        E::Int64(INT64_MIN),
        E::Int128(kCounting),
        E::Uuid16(0x0100),
        E::Uuid32(0xABCDEF01),
        E::Uuid128(*Uuid::FromString("12345678-9ABC-DEF0-0102-030405060708")),
        E::Text(std::string("a\0b", 3)),
        E::Text(std::string(70000, 't')),
        E::Bool(true),
        E::Bool(false),
        E::Url("http://x"),
        E::Alternative({E::Sequence({}), E::Alternative({E::UInt8(9)})}),
    });
    const Bytes bytes = Encode(all);
    DataElement back;
    std::size_t consumed = 0;
    ASSERT_TRUE(Decode(bytes, &back, &consumed));
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_TRUE(back == all);
    // Equality ignores UUID widths, so compare the bytes too.
    EXPECT_EQ(Encode(back), bytes);
}

TEST(SdpElement, ComparesUuidsByValueAndIntegersByWidth) {
    EXPECT_TRUE(E::Uuid16(0x1101) == E::Uuid128(uuids::kSerialPort));
    EXPECT_TRUE(E::Uuid32(0x1101) == E::Uuid16(0x1101));
    EXPECT_FALSE(E::Uuid16(0x1101) == E::Uuid16(0x1102));
    EXPECT_FALSE(E::UInt8(1) == E::UInt16(1));
    EXPECT_FALSE(E::UInt8(1) == E::Int8(1));
    EXPECT_FALSE(E::Text("a") == E::Url("a"));
    EXPECT_FALSE(E::Sequence({E::UInt8(1)}) == E::Alternative({E::UInt8(1)}));
    EXPECT_FALSE(E::Sequence({E::UInt8(1)}) == E::Sequence({E::UInt8(1), E::Nil()}));
}

TEST(SdpElement, AccessorsMatchTypeAndSignExtend) {
    EXPECT_EQ(E::Int8(-5).AsSigned(), -5);
    EXPECT_EQ(E::Int32(INT32_MIN).AsSigned(), INT32_MIN);
    EXPECT_EQ(E::UInt32(0x80000000u).AsUnsigned(), 0x80000000u);
    EXPECT_EQ(E::Int8(-1).AsUnsigned(), std::nullopt);
    EXPECT_EQ(E::UInt128(kCounting).AsUnsigned(), std::nullopt);
    EXPECT_EQ(E::UInt128(kCounting).IntegerBytes().size(), 16u);
    EXPECT_EQ(E::Url("u").AsText(), std::nullopt);
    EXPECT_TRUE(E::UInt8(1).Children().empty());
}

}  // namespace
}  // namespace sdp
