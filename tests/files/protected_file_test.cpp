#include "files/protected_file.h"

#include <gtest/gtest.h>

#include "files/file_manager.h"
#include "support/file_manager_fixture.h"

// Golden vectors from tests/files/golden_vectors.py, an independent model of the
// checksum header and the scrambling generator.
TEST(ProtectedFile, KeystreamMatchesIndependentModel) {
    struct Case {
        std::string key;
        std::vector<uint8_t> first40;
    };
    const Case cases[] = {
        // A three-byte key restirs every three bytes.
        {"abc",
         {219, 233, 248, 172, 222, 15,  123, 41,  39, 193, 182, 10,  137, 32,  246, 9, 234, 101, 187, 101,
          146, 243, 13,  112, 26,  222, 121, 234, 2,  20,  163, 134, 240, 167, 6,   3, 18,  142, 184, 44}},
        // Bytes above 127 are sign-extended into the state.
        {"\xc3\xa9x",
         {150, 55, 56,  47,  68,  155, 246, 39,  20,  162, 201, 147, 28, 128, 191, 249, 3,  69, 36,  94,
          103, 28, 228, 255, 148, 196, 75,  167, 223, 53,  178, 61,  44, 89,  126, 204, 55, 12, 154, 166}},
        {"Vrakko:lantern-moth/1907#tide",
         {207, 233, 234, 187, 211, 1,   156, 253, 135, 46,  116, 227, 122, 116,
          136, 230, 245, 61,  113, 225, 111, 193, 4,   196, 173, 173, 75,  25,
          65,  209, 54,  225, 75,  251, 150, 136, 140, 176, 145, 126}},
    };
    for (const Case& c : cases) EXPECT_EQ(KeystreamBytes(c.key, 40), c.first40) << c.key;
    EXPECT_EQ(ProtectionKeyText(), "Vrakko:lantern-moth/1907#tide");
}

TEST(ProtectedFile, StoredFormsOfAbc) {
    EXPECT_EQ(Text(ProtectBytes(Bytes("abc"), 0)), "abc");
    EXPECT_EQ(Text(ProtectBytes(Bytes("abc"), 2)), "0000000000000294abc");  // 19 bytes
    EXPECT_EQ(ProtectBytes(Bytes("abc"), 3),
              std::vector<uint8_t>(
                  {255, 25, 26, 235, 3, 49, 204, 45, 183, 94, 164, 19, 170, 166, 193, 26, 86, 159, 212}));
    EXPECT_EQ(FormatChecksumHeader(0xFFFFFFFFu), "0000004294967295");
}

TEST(ProtectedFile, DamagedForms) {
    struct Case {
        const char* name;
        std::string stored;
        int kind;
        int status;
    };
    const Case cases[] = {
        {"wrong sum", "0000000000000290abc", 2, 2},
        {"right sum", "0000000000000294abc", 2, 0},
        {"header only, sum 0", "0000000000000000", 2, 0},
        {"header only, sum 5", "0000000000000005", 2, 2},
        {"short file", "00000294", 2, 2},
        {"empty file", "", 2, 2},
        {"sign in header", "-000000000000294abc", 2, 2},
        {"space in header", " 000000000000294abc", 2, 2},
        // The 16 digits end before the content: a digit-leading content is not read into the header.
        {"digits in content", "00000000000000499", 2, 2},
        {"digits in content ok", "00000000000000579", 2, 0},
        {"plain kind 0", "anything", 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = Bytes(c.stored);
        EXPECT_EQ(UnprotectBytes(bytes, c.kind), c.status) << c.name;
    }
    std::vector<uint8_t> tampered = ProtectBytes(Bytes("hello, world"), 3);
    tampered[20] ^= 0x01;
    EXPECT_EQ(UnprotectBytes(tampered, 3), 2);
}

class ProtectedFileManager : public StartedFileManagerFixture {};

TEST_F(ProtectedFileManager, AllKindsRoundTrip) {
    std::vector<uint8_t> big(1 << 20);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 131 + 7);
    const std::vector<std::vector<uint8_t>> contents = {{}, {0x42}, Bytes("0123456789abcdefghij"), big};
    for (int kind = 0; kind <= 3; ++kind) {
        for (const auto& content : contents) {
            const std::vector<uint8_t> copy = content;
            ASSERT_TRUE(fm.SaveFile("save/p.json", content, kind, false));
            EXPECT_EQ(content, copy) << "the caller's bytes are not changed";
            std::vector<uint8_t> loaded;
            EXPECT_EQ(fm.LoadFile("save/p.json", loaded, kind), 0) << kind << " " << content.size();
            EXPECT_EQ(loaded, content) << kind << " " << content.size();
        }
    }
}

TEST_F(ProtectedFileManager, SumBeyondSigned32BitsRoundTrips) {
    const std::vector<uint8_t> content(9 * 1024 * 1024, 0xFF);  // sum 2 406 481 920 > 2^31
    ASSERT_TRUE(fm.SaveFile("save/big", content, 2, false));
    EXPECT_EQ(folder.ReadFile("save/big").substr(0, 16), "0000002406481920");
    std::vector<uint8_t> loaded;
    EXPECT_EQ(fm.LoadFile("save/big", loaded, 2), 0);
    EXPECT_EQ(loaded.size(), content.size());
}

TEST_F(ProtectedFileManager, AppendAppendsPlainAndRewritesProtected) {
    ASSERT_TRUE(fm.SaveFile("save/a.txt", Bytes("one"), 0, true));
    ASSERT_TRUE(fm.SaveFile("save/a.txt", Bytes("two"), 0, true));
    EXPECT_EQ(folder.ReadFile("save/a.txt"), "onetwo");

    ASSERT_TRUE(fm.SaveFile("save/b", Bytes("ab"), 2, true));
    ASSERT_TRUE(fm.SaveFile("save/b", Bytes("c"), 2, true));
    EXPECT_EQ(folder.ReadFile("save/b"), "0000000000000294abc");
}

TEST_F(ProtectedFileManager, TamperedFileOnDiskReadsAsDamaged) {
    ASSERT_TRUE(fm.SaveFile("save/p", Bytes("{\"level\":3}"), 3, false));
    std::string stored = folder.ReadFile("save/p");
    stored[18] = static_cast<char>(stored[18] + 1);
    folder.WriteFile("save/p", stored);
    std::vector<uint8_t> loaded;
    EXPECT_EQ(fm.LoadFile("save/p", loaded, 3), 2);
    EXPECT_TRUE(loaded.empty());
}
