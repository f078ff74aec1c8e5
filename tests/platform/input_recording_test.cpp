// Recording files: every event kind written and read back, and damaged files refused
// with the line that is wrong.
#include "platform/input_recording.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vrakko_impl.h"

namespace {

const char* const kHeader = "vrakko-recording 1\nseed 77\ndisplay 1024 768 windowed\n";

vK_InputEvent Event(vK_InputEvent::Type type, int key, int code, float x, float y) {
    vK_InputEvent e;
    e.type = type;
    e.key = key;
    e.code = code;
    e.x = x;
    e.y = y;
    return e;
}

TEST(InputRecording, EveryEventKindRoundTripsThroughItsLine) {
    using E = vK_InputEvent;
    struct Case {
        vK_InputEvent event;
        const char* line;
    };
    const Case cases[] = {
        {Event(E::kKeyDown, 65, 0, 0, 0), "7 keydown 65"},
        {Event(E::kChar, 0, 0x44F, 0, 0), "7 char 1103"},
        {Event(E::kKeyUp, 18, 0, 0, 0), "7 keyup 18"},
        {Event(E::kPointerDown, E::kPointerKey, 0, 300, 301), "7 down 300 301"},
        {Event(E::kPointerUp, E::kPointerKey, 0, 0, 767), "7 up 0 767"},
        {Event(E::kPointerMove, E::kPointerKey, 0, 12.5f, 3), "7 move 12.5 3"},
        {Event(E::kPointerLeave, 0, 0, 1023, 5), "7 leave 1023 5"},
        {Event(E::kWheel, 0, -7864320, 40, 50), "7 wheel -7864320 40 50"},
        {Event(E::kActivated, 0, 0, 0, 0), "7 activate"},
        {Event(E::kDeactivated, 0, 0, 0, 0), "7 deactivate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(FormatRecordedEvent(7, c.event), c.line);
        vK_InputRecording recording;
        std::string error;
        ASSERT_TRUE(ParseInputRecording(std::string(kHeader) + c.line + "\n9 end\n", recording, error))
            << error;
        ASSERT_EQ(recording.events.size(), 1u);
        const vK_InputEvent& e = recording.events[0].event;
        EXPECT_EQ(recording.events[0].frame, 7);
        EXPECT_EQ(e.type, c.event.type);
        EXPECT_EQ(e.key, c.event.key);
        EXPECT_EQ(e.code, c.event.code);
        EXPECT_EQ(e.x, c.event.x);
        EXPECT_EQ(e.y, c.event.y);
        EXPECT_EQ(recording.seed, 77u);
        EXPECT_EQ(recording.width, 1024);
        EXPECT_EQ(recording.height, 768);
        EXPECT_FALSE(recording.fullscreen);
        EXPECT_EQ(recording.endFrame, 9);
    }
}

// Window actions are lines of their own, in frame order with the events; the save line
// names the folder the replay copies. Recordings without either read as before.
TEST(InputRecording, WindowActionsAndTheSaveFolderRoundTrip) {
    EXPECT_EQ(FormatRecordedWindowAction(12, Vrakko_Impl::kAltEnter), "12 altenter");
    EXPECT_EQ(FormatRecordedWindowAction(40, Vrakko_Impl::kCloseWindow), "40 close");
    vK_InputRecording recording;
    std::string error;
    ASSERT_TRUE(ParseInputRecording(
        std::string(kHeader) + "save run.rec.save\n3 down 1 2\n12 altenter\n12 up 1 2\n40 close\n40 end\n",
        recording, error))
        << error;
    EXPECT_EQ(recording.saveFolder, "run.rec.save");
    ASSERT_EQ(recording.events.size(), 4u);
    const int windows[] = {0, Vrakko_Impl::kAltEnter, 0, Vrakko_Impl::kCloseWindow};
    const long frames[] = {3, 12, 12, 40};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(recording.events[i].window, windows[i]) << i;
        EXPECT_EQ(recording.events[i].frame, frames[i]) << i;
    }
    ASSERT_TRUE(ParseInputRecording(std::string(kHeader) + "save saves/run 1\n1 end\n", recording, error))
        << error;
    EXPECT_EQ(recording.saveFolder, "saves/run 1");
    ASSERT_TRUE(ParseInputRecording(std::string(kHeader) + "1 end\n", recording, error)) << error;
    EXPECT_EQ(recording.saveFolder, "");
}

TEST(InputRecording, CommentsBlankLinesAndCarriageReturnsAreSkipped) {
    vK_InputRecording recording;
    std::string error;
    ASSERT_TRUE(
        ParseInputRecording("# made by hand\r\nvrakko-recording 1\r\n\r\n  # a note\ndisplay 800 600 "
                            "fullscreen\n0 move 1 2\n0 down 1 2\n3 up 1 2\n3 end",
                            recording, error))
        << error;
    EXPECT_EQ(recording.seed, 1u);                // no seed line: the generator's own start
    EXPECT_EQ(recording.clockStart, 1767268800);  // no clock line: noon, 1 January 2026, UTC
    EXPECT_EQ(recording.clockOffset, 0);
    EXPECT_TRUE(recording.fullscreen);
    ASSERT_EQ(recording.events.size(), 3u);
    EXPECT_EQ(recording.events[1].event.type, vK_InputEvent::kPointerDown);
    EXPECT_EQ(recording.events[2].frame, 3);
    EXPECT_EQ(recording.endFrame, 3);
}

TEST(InputRecording, DamagedFilesAreRefusedWithTheirLine) {
    struct Case {
        std::string text;
        const char* error;
    };
    const std::string h = kHeader;  // three lines
    const std::vector<Case> cases = {
        {"", "empty file, not a vrakko recording"},
        {"# only a comment\n", "empty file, not a vrakko recording"},
        {"30 click 300 300\n",
         "line 1: not a vrakko recording (the first line must be \"vrakko-recording 1\")"},
        {"vrakko-recording 2\n",
         "line 1: not a vrakko recording (the first line must be \"vrakko-recording 1\")"},
        {"vrakko-recording 1\nseed -1\n", "line 2: bad seed line"},
        {"vrakko-recording 1\nclock 1767268800\n", "line 2: bad clock line"},
        {"vrakko-recording 1\nclock -5 0\n", "line 2: bad clock line"},
        {"vrakko-recording 1\nclock 1767268800 90000\n", "line 2: bad clock line"},
        {"vrakko-recording 1\ndisplay 0 768 windowed\n", "line 2: bad display line"},
        {"vrakko-recording 1\ndisplay 1024 768 tiny\n", "line 2: bad display line"},
        {"vrakko-recording 1\n5 end\n", "the display line is missing"},
        {h + "4 down 300\n9 end\n", "line 4: malformed event"},
        {h + "4 down 300 30x\n9 end\n", "line 4: malformed event"},
        {h + "4 down 300 70000\n9 end\n", "line 4: malformed event"},
        {h + "4 move nan 3\n9 end\n", "line 4: malformed event"},
        {h + "4 keydown 65 66\n9 end\n", "line 4: malformed event"},
        {h + "4 click 1 2\n9 end\n", "line 4: malformed event"},
        {h + "4 activate\n3 deactivate\n9 end\n", "line 5: the frame is earlier than the one before"},
        {h + "-1 activate\n9 end\n", "line 4: expected a frame number"},
        {h + "4\n9 end\n", "line 4: the event is missing"},
        {h + "9 end\n10 move 1 1\n", "line 5: text after the end line"},
        {h + "9 end now\n", "line 4: bad end line"},
        {h + "4 altenter 1\n9 end\n", "line 4: malformed event"},
        {"vrakko-recording 1\nsave /home/player/saves\n",
         "line 2: bad save line (a folder relative to the recording's)"},
        {"vrakko-recording 1\nsave a/../../b\n",
         "line 2: bad save line (a folder relative to the recording's)"},
        {"vrakko-recording 1\nsave ..\n", "line 2: bad save line (a folder relative to the recording's)"},
        {"vrakko-recording 1\nsave\n", "line 2: bad save line (a folder relative to the recording's)"},
        // Cut short: the end line never came.
        {h + "4 down 300 300\n5 up 30 3",
         "the end line is missing (the file is cut short or its run did not end)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        vK_InputRecording recording;
        std::string error;
        EXPECT_FALSE(ParseInputRecording(c.text, recording, error));
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
