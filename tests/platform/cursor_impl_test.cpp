#include "platform/cursor_impl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Records the shapes the cursor applies instead of calling SDL.
class RecordingCursor : public vK_Cursor_Impl {
public:
    std::vector<int> applied;

protected:
    void ApplyShape(int shape) override { applied.push_back(shape); }
};

TEST(CursorImplTest, NumbersMapToTheNearestSdlShape) {
    const struct {
        int number, shape;
    } cases[] = {
        {1, SDL_SYSTEM_CURSOR_WAITARROW},
        {2, SDL_SYSTEM_CURSOR_ARROW},
        {3, SDL_SYSTEM_CURSOR_CROSSHAIR},
        {4, SDL_SYSTEM_CURSOR_HAND},
        {5, SDL_SYSTEM_CURSOR_ARROW},
        {6, SDL_SYSTEM_CURSOR_IBEAM},
        {7, SDL_SYSTEM_CURSOR_ARROW},
        {8, SDL_SYSTEM_CURSOR_NO},
        {9, SDL_SYSTEM_CURSOR_SIZEALL},
        {10, SDL_SYSTEM_CURSOR_SIZEALL},
        {11, SDL_SYSTEM_CURSOR_SIZENESW},
        {12, SDL_SYSTEM_CURSOR_SIZENS},
        {13, SDL_SYSTEM_CURSOR_SIZENWSE},
        {14, SDL_SYSTEM_CURSOR_SIZENS},
        {15, SDL_SYSTEM_CURSOR_WAIT},
        {0, -1},
        {16, -1},
        {-2, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(vK_SystemCursorShape(c.number), c.shape) << c.number;
}

// In system-cursor mode: number 4 shows the hand when selected; number 0 stores no shape,
// so selecting it leaves the hand, and the next pointer event hides the system cursor.
TEST(CursorImplTest, SystemModeShowsTheSelectedShapeAndANullEntryHidesAtTheNextEvent) {
    RecordingCursor cursor;
    cursor.SetSystem(true);
    cursor.LoadImage("assets/cursor/none", 4);
    cursor.LoadImage("assets/cursor/none", 0);
    cursor.SelectImage(0);
    EXPECT_EQ(cursor.applied, (std::vector<int>{SDL_SYSTEM_CURSOR_HAND}));
    cursor.SetPosition(10, 20);  // already shown: nothing to do
    cursor.SelectImage(1);
    EXPECT_EQ(cursor.applied, (std::vector<int>{SDL_SYSTEM_CURSOR_HAND}));
    EXPECT_EQ(cursor.GetShownShape(), SDL_SYSTEM_CURSOR_HAND);
    cursor.SetPosition(11, 20);
    EXPECT_EQ(cursor.applied, (std::vector<int>{SDL_SYSTEM_CURSOR_HAND, -1}));
    EXPECT_FLOAT_EQ(cursor.GetX(), 11.0f);
    EXPECT_FALSE(cursor.IsHidden());
}

TEST(CursorImplTest, ImageModeHidesTheSystemCursorAtEverySelectionAndPointerEvent) {
    RecordingCursor cursor;
    cursor.LoadImage("assets/cursor/none", 4);
    cursor.LoadImage("assets/cursor/none", 2);
    cursor.SelectImage(1);
    cursor.SetPosition(1, 1);
    cursor.SetPosition(2, 1);
    EXPECT_EQ(cursor.applied, (std::vector<int>{-1, -1, -1}));
    // The current index, a negative one and one past the end change nothing.
    for (int index : {1, -1, 2, 5}) cursor.SelectImage(index);
    EXPECT_EQ(cursor.applied.size(), 3u);
    EXPECT_EQ(cursor.GetCurrentIndex(), 1);
    cursor.SetHidden(true);  // the pointer left the window
    cursor.SetSystem(true);
    cursor.SetPosition(3, 1);
    EXPECT_FALSE(cursor.IsHidden());
    EXPECT_EQ(cursor.applied.back(), SDL_SYSTEM_CURSOR_ARROW);
}

}  // namespace
