#include "files/byte_reader.h"

#include <gtest/gtest.h>

#include <limits>

#include "files/byte_buffer.h"

namespace {
std::unique_ptr<vK_ByteBuffer> BufferOf(std::vector<uint8_t> bytes) {
    auto buffer = std::make_unique<vK_ByteBuffer>();
    buffer->Assign(std::move(bytes));
    return buffer;
}
}  // namespace

TEST(ByteBuffer, PrimitiveBounds) {
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t n;
        bool ok;
        size_t position_after;
    };
    const Row rows[] = {
        {"exact", {1, 2, 3}, 3, true, 3},
        {"one too many", {1, 2, 3}, 4, false, 0},
        {"zero", {1}, 0, true, 0},
        {"zero on empty", {}, 0, true, 0},
        {"huge n does not wrap", {1, 2}, std::numeric_limits<size_t>::max(), false, 0},
        {"huge n minus one", {1, 2}, std::numeric_limits<size_t>::max() - 1, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto buffer = BufferOf(row.bytes);
        std::vector<uint8_t> out;
        EXPECT_EQ(buffer->ReadBytes(row.n, out), row.ok);
        EXPECT_EQ(buffer->Position(), row.position_after);
        if (row.ok) {
            EXPECT_EQ(out.size(), row.n);
        }
    }
}

TEST(ByteBuffer, StringLengthByte) {
    std::string s = "keep";
    auto zero = BufferOf({0, 'x'});
    EXPECT_FALSE(zero->ReadString(s));
    EXPECT_EQ(zero->Position(), 0u);
    auto short_data = BufferOf({3, 'a', 'b'});
    EXPECT_FALSE(short_data->ReadString(s));
    EXPECT_EQ(short_data->Position(), 0u);
    EXPECT_EQ(s, "keep");
    auto fits = BufferOf({2, 'o', 'k', 7});
    EXPECT_TRUE(fits->ReadString(s));
    EXPECT_EQ(s, "ok");
    EXPECT_EQ(fits->Position(), 3u);
}

TEST(ByteBuffer, StartOffsetAndEmptyBuffer) {
    vK_ByteBuffer empty;
    ASSERT_NE(empty.Data(), nullptr);
    empty.Assign({});
    ASSERT_NE(empty.Data(), nullptr);
    EXPECT_EQ(empty.Data()[0], 0);
    EXPECT_EQ(empty.Size(), 0u);
    auto buffer = BufferOf({1, 2, 3, 4});
    EXPECT_TRUE(buffer->SetStart(2));
    EXPECT_EQ(buffer->Position(), 2u);
    EXPECT_FALSE(buffer->SetPosition(1));
    EXPECT_FALSE(buffer->SetStart(5));
    uint8_t b = 0;
    EXPECT_TRUE(buffer->ReadBytes(1, &b));
    EXPECT_EQ(b, 3);
    const uint8_t outside[] = {9, 8};
    vK_ByteBuffer external;
    external.AssignExternal(outside, 2);
    EXPECT_TRUE(external.IsExternal());
    EXPECT_EQ(external.Data(), outside);
}

TEST(ByteReader, ContextByteAndLittleEndianReads) {
    auto buffer = BufferOf({0x05, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB});
    vK_ByteReader reader(buffer.get());
    EXPECT_EQ(reader.Context(), 0x05);
    uint16_t u16 = 0;
    EXPECT_TRUE(reader.ReadUInt16(u16));
    EXPECT_EQ(u16, 0x1234);
    uint32_t u32 = 0;
    EXPECT_TRUE(reader.ReadUInt32(u32));
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_FALSE(reader.ReadUInt16(u16));  // one byte left
    EXPECT_EQ(buffer->Position(), 7u);
    uint8_t u8 = 0;
    EXPECT_TRUE(reader.ReadUInt8(u8));
    EXPECT_EQ(u8, 0xAB);
    EXPECT_FALSE(reader.ReadUInt8(u8));
}

TEST(ByteReader, CountCodes) {
    struct Row {
        int code;
        std::vector<uint8_t> bytes;
        bool ok;
        int value;
    };
    const Row rows[] = {
        {1, {0xFF}, true, 255},
        {2, {0x34, 0x12}, true, 0x1234},
        {3, {0xFF, 0xFF, 0xFF, 0xFF}, true, -1},
        {4, {0x34, 0x12, 0, 0}, false, -7},
        {0, {1}, false, -7},
        {2, {0x34}, false, -7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        auto buffer = BufferOf(row.bytes);
        vK_ByteReader reader(buffer.get(), 1);
        int value = -7;
        EXPECT_EQ(reader.ReadCount(row.code, value), row.ok);
        EXPECT_EQ(value, row.value);
    }
}

TEST(ByteReader, OptionalStringNeedsContextAndMarker) {
    vK_ByteReader over_empty(BufferOf({}));
    std::string s;
    EXPECT_EQ(over_empty.Context(), 0);
    EXPECT_FALSE(over_empty.ReadOptionalString(s));

    auto buffer = BufferOf({1, 1, 2, 'h', 'i', 0, 1, 5, 'x'});
    vK_ByteReader reader(buffer.get());
    EXPECT_TRUE(reader.ReadOptionalString(s));
    EXPECT_EQ(s, "hi");
    EXPECT_FALSE(reader.ReadOptionalString(s));  // marker 0, consumed
    EXPECT_EQ(buffer->Position(), 6u);
    EXPECT_FALSE(reader.ReadOptionalString(s));  // string too short: back before the marker
    EXPECT_EQ(buffer->Position(), 6u);
}

TEST(ByteReader, ListsAndMapsFailAsAWhole) {
    auto buffer = BufferOf({2, 1, 'a', 2, 'b', 'c', 3, 1, 'k', 1, 'v'});
    vK_ByteReader reader(buffer.get(), 1);
    std::vector<std::string> list;
    EXPECT_TRUE(reader.ReadStringList(list, 1));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "bc"}));
    std::map<std::string, std::string> map;
    EXPECT_FALSE(reader.ReadStringMap(map, 1));  // count 3, one pair present
    EXPECT_EQ(buffer->Position(), 6u);
    EXPECT_TRUE(map.empty());
    EXPECT_FALSE(reader.ReadStringList(list, 0));

    // A count of four billion from the data is not trusted: the read fails at the
    // end of the data without reserving anything.
    auto huge = BufferOf({0xFF, 0xFF, 0xFF, 0x7F, 1, 'a'});
    vK_ByteReader huge_reader(huge.get(), 1);
    EXPECT_FALSE(huge_reader.ReadStringList(list, 3));
    EXPECT_EQ(huge->Position(), 0u);
    auto negative = BufferOf({0xFF, 0xFF, 0xFF, 0xFF});
    vK_ByteReader negative_reader(negative.get(), 1);
    EXPECT_FALSE(negative_reader.ReadStringMap(map, 3));
}
