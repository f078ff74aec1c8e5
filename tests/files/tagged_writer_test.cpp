#include "files/tagged_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

TEST(TaggedWriter, ValuesAndTheirFailures) {
    const std::string long_text(256, 'x');
    const std::string first40(40, 'x');
    using W = vK_TaggedWriter;
    const struct {
        const char* what;
        std::function<void(W&)> write;
        std::vector<uint8_t> bytes;
        std::string error;
    } cases[] = {
        {"head", [](W& w) { w.Header(1, 2, "rnd"); }, {1, 2, 3, 'r', 'n', 'd'}, ""},
        {"u8", [](W& w) { w.U8(5, 200, "a"); }, {5, 200}, ""},
        {"u8 too big", [](W& w) { w.U8(5, 256, "blend"); }, {5, 0}, "blend does not fit one byte: 256"},
        {"u8 negative", [](W& w) { w.U8(5, -1, "a"); }, {5, 0xFF}, "a does not fit one byte: -1"},
        {"u8 unchecked keeps the low bits", [](W& w) { w.U8(5, 300); }, {5, 44}, ""},
        {"u16", [](W& w) { w.U16(2, 0x1234, "a"); }, {2, 0x34, 0x12}, ""},
        {"u16 too big",
         [](W& w) { w.U16(2, 65536, "frame"); },
         {2, 0, 0},
         "frame does not fit two bytes: 65536"},
        {"u16 unchecked", [](W& w) { w.U16(2, 70000); }, {2, 0x70, 0x11}, ""},
        {"i16 negative", [](W& w) { w.I16(3, -2, "x"); }, {3, 0xFE, 0xFF}, ""},
        {"i16 too small",
         [](W& w) { w.I16(3, -32769, "x"); },
         {3, 0xFF, 0x7F},
         "x does not fit two bytes: -32769"},
        {"i32", [](W& w) { w.I32(4, -2); }, {4, 0xFE, 0xFF, 0xFF, 0xFF}, ""},
        {"f32", [](W& w) { w.F32(6, 1.5f); }, {6, 0, 0, 0xC0, 0x3F}, ""},
        {"text", [](W& w) { EXPECT_TRUE(w.Str(8, "ab")); }, {8, 2, 'a', 'b'}, ""},
        {"empty text is left out", [](W& w) { EXPECT_TRUE(w.Str(8, "")); }, {}, ""},
        {"text too long writes nothing",
         [&](W& w) { EXPECT_FALSE(w.Str(8, long_text)); },
         {},
         "text \"" + first40 + "\" must be 1 to 255 bytes long"},
        {"raw empty text", [](W& w) { w.RawString(""); }, {0}, "text \"\" must be 1 to 255 bytes long"},
        {"counts of each width",
         [](W& w) {
             w.Count(12, 3);
             w.Count(13, 300);
             w.Count(14, 70000);
         },
         {3, 0x2C, 0x01, 0x70, 0x11, 0x01, 0x00},
         ""},
        {"count too big", [](W& w) { w.Count(12, 256, "lines"); }, {0}, "lines does not fit one byte: 256"},
        {"the first failure is kept",
         [](W& w) {
             w.U8(1, 999, "first");
             w.U16(2, -1, "second");
             w.End();
         },
         {1, 0xE7, 2, 0xFF, 0xFF, 0},
         "first does not fit one byte: 999"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> out = {0xAA};  // bytes already there stay in front
        W w(out);
        c.write(w);
        std::vector<uint8_t> expected = {0xAA};
        expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(out, expected) << c.what;
        EXPECT_EQ(w.Error(), c.error) << c.what;
        EXPECT_EQ(w.Ok(), c.error.empty()) << c.what;
    }
}
