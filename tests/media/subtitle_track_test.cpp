#include "media/subtitle_track.h"

#include <gtest/gtest.h>

#include "core/mediator.h"
#include "files/log.h"
#include "media/subtitle_recorder.h"
#include "support/file_manager_fixture.h"

namespace {

struct Expected {
    float start, end;
    std::string id;
};

struct ParseCase {
    const char* what;
    std::string text;
    std::vector<Expected> entries;
};

TEST(SubtitleTrack, ParseKeepsWellFormedBlocksAndDropsMalformedOnes) {
    const std::string longId(5000, 'L');
    const ParseCase cases[] = {
        {"the example", "1\n00:00:01,500 --> 00:00:03,000\nSUB_1\n\n", {{1.5f, 3.0f, "SUB_1"}}},
        {"CR LF lines",
         "1\r\n00:00:01,500 --> 00:00:03,000\r\nSUB_1\r\n\r\n2\r\n00:00:04,000 --> 00:00:05,250\r\nSUB_2\r\n",
         {{1.5f, 3.0f, "SUB_1"}, {4.0f, 5.25f, "SUB_2"}}},
        {"no blank line after the last",
         "1\n00:00:00,000 --> 00:00:01,000\nA\n\n2\n00:00:02,000 --> 00:00:03,000\nB",
         {{0.0f, 1.0f, "A"}, {2.0f, 3.0f, "B"}}},
        {"hours and minutes", "7\n01:02:03,004 --> 10:00:00,000\nH\n", {{3723.004f, 36000.0f, "H"}}},
        {"short time line",
         "1\n00:00:01 --> 00:00:03\nX\n\n2\n00:00:04,000 --> 00:00:05,000\nY\n\n",
         {{4.0f, 5.0f, "Y"}}},
        {"letters for digits", "1\n0a:00:01,000 --> 00:00:02,000\nX\n\n", {}},
        {"no arrow", "1\n00:00:01,000 -> 00:00:02,000\nX\n\n", {}},
        {"second side cut off", "1\n00:00:01,000 --> 00:00:0\nX\n\n", {}},
        {"a lone time line at the end", "1\n00:00:01,000", {}},
        {"blank lines between blocks and two text lines",
         "\n\n1\n00:00:01,000 --> 00:00:02,000\nFIRST\nsecond line\n\n\n\n2\n00:00:03,000 --> "
         "00:00:04,000\nNEXT\n\n",
         {{1.0f, 2.0f, "FIRST"}, {3.0f, 4.0f, "NEXT"}}},
        {"overlong text line",
         "1\n00:00:01,000 --> 00:00:02,000\n" + longId + "\n\n",
         {{1.0f, 2.0f, longId.substr(0, vK_SubtitleTrack::kMaxLine)}}},
        {"empty", "", {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.what);
        vK_SubtitleTrack track;
        track.Parse(c.text);
        ASSERT_EQ(track.GetEntries().size(), c.entries.size());
        for (size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_NEAR(track.GetEntries()[i].start, c.entries[i].start, 1e-3);
            EXPECT_NEAR(track.GetEntries()[i].end, c.entries[i].end, 1e-3);
            EXPECT_EQ(track.GetEntries()[i].textId, c.entries[i].id);
        }
    }
}

TEST(SubtitleTrack, UpdateShowsAtTheStartAndHidesAtTheEnd) {
    vK_Mediator mediator;
    SubtitleRecorder recorder;
    vK_SubtitleTrack track;
    track.Parse("1\n00:00:01,500 --> 00:00:03,000\nSUB_1\n\n2\n00:00:04,000 --> 00:00:05,000\nSUB_2\n\n");
    const std::pair<float, std::vector<std::string>> steps[] = {
        {0.0f, {}}, {1.4f, {}},          {1.5f, {"1:SUB_1"}}, {2.9f, {}}, {3.0f, {"0"}},
        {3.9f, {}}, {4.5f, {"1:SUB_2"}}, {6.0f, {"0"}},       {9.0f, {}},
    };
    for (const auto& [t, expected] : steps) {
        SCOPED_TRACE(t);
        track.Update(t);
        EXPECT_EQ(recorder.Take(), expected);
    }
}

TEST(SubtitleTrack, ALateUpdatePassesOverEndedEntriesAndRewindHidesTheShownOne) {
    vK_Mediator mediator;
    SubtitleRecorder recorder;
    vK_SubtitleTrack track;
    track.Parse("1\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n00:00:03,000 --> 00:00:06,000\nB\n\n");
    track.Update(4.0f);  // A has ended already: B shows at once
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"1:B"});
    track.Rewind();
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"0"});
    EXPECT_EQ(track.GetIndex(), 0u);
    track.Update(1.0f);
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"1:A"});
}

TEST(SubtitleTrack, DestroyingWhileShownHidesTheSubtitle) {
    vK_Mediator mediator;
    SubtitleRecorder recorder;
    {
        vK_SubtitleTrack track;
        track.Parse("1\n00:00:00,000 --> 00:00:02,000\nA\n\n");
        track.Update(0.5f);
    }
    EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"1:A", "0"}));
}

class SubtitleFile : public StartedFileManagerFixture {};

TEST_F(SubtitleFile, LoadReadsThroughTheReadersAndLogsAMissingFile) {
    folder.WriteFile("root/assets/v/clip.srt", "1\r\n00:00:01,500 --> 00:00:03,000\r\nSUB_1\r\n");
    vK_SubtitleTrack track;
    EXPECT_TRUE(track.Load("assets/v/clip.srt"));
    ASSERT_EQ(track.GetEntries().size(), 1u);
    EXPECT_EQ(track.GetEntries()[0].textId, "SUB_1");
    vK_LogCapture log;
    EXPECT_FALSE(track.Load("assets/v/none.srt"));
    EXPECT_TRUE(log.Contains("Error: file not found assets/v/none.srt.")) << log.Text();
    EXPECT_TRUE(track.GetEntries().empty());
}

}  // namespace
