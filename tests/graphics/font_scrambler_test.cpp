#include "graphics/font_scrambler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

TEST(FontScrambler, KeyEvolution_HandWorkedValues) {
    struct Case {
        int32_t v;
        int32_t next;
    } cases[] = {
        // 5 * (65 + 0 - 12) + 32 - 63 - 63
        {65, 171},
        // 5 * (86 + 0 - 16) + 43 - 84 - 84
        {86, 225},
        // 5 * (225 + 40 - 44) + 112 - 224 - 225
        {225, 768},
        // 5 * (-1000 - 200 + 200) - 500 + 994 + 999: divisions truncate toward zero
        {-1000, -3507},
        // 5 * (2147483647 + 429496720 - 429496728) wraps to 2147483603;
        // + 1073741823 - 2147483646 - 2147483646 wraps to -1073741866
        {std::numeric_limits<int32_t>::max(), -1073741866},
        {0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(vK_FontScrambler::EvolveKeyValue(c.v), c.next) << c.v;
}

TEST(FontScrambler, KeyBytes_FollowThePhraseBlockAfterBlock) {
    uint8_t key[vK_FontScrambler::kKeyLength];
    vK_FontScrambler::KeyBytesForBlock(0, key);
    // The phrase starts with 'V' (86) and 'r' (114): 225, and 391 & 0xFF = 135.
    EXPECT_EQ(key[0], 225);
    EXPECT_EQ(key[1], 135);
    vK_FontScrambler::KeyBytesForBlock(1, key);
    EXPECT_EQ(key[0], 768 & 0xFF);
}

TEST(FontScrambler, Descramble_SubtractsTheKeyAndDropsFillers) {
    uint8_t key0[vK_FontScrambler::kKeyLength];
    uint8_t key1[vK_FontScrambler::kKeyLength];
    vK_FontScrambler::KeyBytesForBlock(0, key0);
    vK_FontScrambler::KeyBytesForBlock(1, key1);
    std::vector<uint8_t> file(72, 0);
    for (int i = 0; i < 35; ++i) file[i] = static_cast<uint8_t>(key0[i] + i);
    file[35] = 0xEE;  // filler
    for (int i = 0; i < 35; ++i) file[36 + i] = static_cast<uint8_t>(key1[i] + 100 + i);
    file[71] = 0x11;  // filler
    const std::vector<uint8_t> plain = vK_FontScrambler::Descramble(file.data(), file.size());
    ASSERT_EQ(plain.size(), 70u);  // two fillers dropped
    for (int i = 0; i < 35; ++i) EXPECT_EQ(plain[i], i);
    for (int i = 0; i < 35; ++i) EXPECT_EQ(plain[35 + i], 100 + i);
}

TEST(FontScrambler, RoundTrip_EveryLengthFrom0To200) {
    for (size_t n = 0; n <= 200; ++n) {
        std::vector<uint8_t> data(n);
        for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(i * 37 + n);
        const std::vector<uint8_t> scrambled = vK_FontScrambler::Scramble(data.data(), data.size());
        EXPECT_EQ(scrambled.size(), n + n / 35) << n;
        EXPECT_EQ(vK_FontScrambler::PlainSize(scrambled.size()), n) << n;
        EXPECT_EQ(vK_FontScrambler::Descramble(scrambled.data(), scrambled.size()), data) << n;
        if (n > 0) {
            EXPECT_NE(scrambled[0], data[0]);
        }
    }
}
