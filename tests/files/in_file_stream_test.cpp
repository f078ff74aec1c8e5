#include "files/in_file_stream.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

TEST(InFileStream, ReadsSeeksAndReportsTheEnd) {
    TempFolder folder;
    folder.WriteFile("clip.bin", "0123456789");
    auto stream = vK_InFileStream::Open(folder.Path() + "/clip.bin");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->GetLength(), 0);
    uint8_t bytes[8] = {};
    EXPECT_EQ(stream->Read(4, bytes), 4);
    EXPECT_EQ(std::string(bytes, bytes + 4), "0123");
    EXPECT_FALSE(stream->IsEnd());
    std::vector<uint8_t> v;
    EXPECT_TRUE(stream->ReadInto(100, v));
    EXPECT_EQ(std::string(v.begin(), v.end()), "456789");
    EXPECT_EQ(stream->Read(8, bytes), 0);
    EXPECT_TRUE(stream->IsEnd());
    EXPECT_FALSE(stream->ReadInto(4, v));
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(stream->SeekCurrent(), 0);
    EXPECT_FALSE(stream->IsEnd());
    EXPECT_TRUE(stream->Seek(8));
    EXPECT_EQ(stream->Read(8, bytes), 2);
    EXPECT_FALSE(stream->Seek(-1));
    EXPECT_EQ(stream->Read(-5, bytes), 0);
    EXPECT_EQ(vK_InFileStream::Open(folder.Path() + "/missing.bin"), nullptr);
}

TEST(InFileStream, EmptyStreamIsNeutral) {
    vK_InFileStream none(nullptr);
    uint8_t b = 0;
    EXPECT_EQ(none.Read(1, &b), 0);
    EXPECT_TRUE(none.IsEnd());
    EXPECT_FALSE(none.Seek(0));
    vK_InStreamInterface base;
    std::vector<uint8_t> v{1};
    EXPECT_FALSE(base.ReadInto(3, v));
    EXPECT_TRUE(v.empty());
}
