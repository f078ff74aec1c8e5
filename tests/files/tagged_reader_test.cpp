#include "files/tagged_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<vK_ByteBuffer> BufferOf(std::vector<uint8_t> bytes) {
    bytes.insert(bytes.begin(), 1);
    auto buffer = std::make_unique<vK_ByteBuffer>();
    buffer->Assign(std::move(bytes));
    return buffer;
}

// A reader over bytes with a context byte of 1 in front.
struct Over {
    explicit Over(std::vector<uint8_t> bytes) : buffer(BufferOf(std::move(bytes))) {}
    std::unique_ptr<vK_ByteBuffer> buffer;
    vK_ByteReader bytes{buffer.get()};
    vK_TaggedReader reader{bytes};
};

}  // namespace

TEST(TaggedReader, NestingIsCappedOnceForEveryFormat) {
    // n ids each opening a nested body: n + 1 bodies deep.
    const auto chain = [](int n) {
        std::vector<uint8_t> bytes(static_cast<size_t>(n), 7);
        bytes.push_back(0);
        return bytes;
    };
    const struct {
        int ids;
        bool ok;
    } cases[] = {{0, true}, {62, true}, {63, true}, {64, false}, {100000, false}};
    for (const auto& c : cases) {
        Over over(chain(c.ids));
        std::function<bool()> body = [&] { return over.reader.ReadObject([&](uint8_t) { return body(); }); };
        EXPECT_EQ(body(), c.ok) << c.ids;
        EXPECT_EQ(over.reader.Depth(), 0);
    }
}

TEST(TaggedReader, TypedReads) {
    // 0x7F800000 is +infinity, 0x3FC00000 is 1.5.
    Over over({0x02, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x7F, 0x00, 0x00, 0xC0, 0x3F,
               0x01, 0x05});
    bool b1 = true, b2 = false;
    int u16 = 0, i32 = 0;
    float inf = 1, f = 0;
    EXPECT_TRUE(over.reader.Bool8(b1));
    EXPECT_FALSE(b1);  // 2 is not true
    vK_WireValue signedByte;
    EXPECT_TRUE(over.reader.Value(2, signedByte));
    EXPECT_EQ(signedByte.i, -2);
    EXPECT_TRUE(over.reader.U16(u16));
    EXPECT_EQ(u16, 0xFFFF);
    EXPECT_TRUE(over.reader.I32(i32));
    EXPECT_EQ(i32, -2);
    EXPECT_TRUE(over.reader.F32(inf));
    EXPECT_EQ(inf, 0.0f);
    EXPECT_TRUE(over.reader.F32(f));
    EXPECT_EQ(f, 1.5f);
    EXPECT_TRUE(over.reader.Bool8(b2));
    EXPECT_TRUE(b2);
    int cut = 0;
    EXPECT_FALSE(over.reader.U16(cut));  // one byte left
}
