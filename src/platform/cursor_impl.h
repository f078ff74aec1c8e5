#pragma once
#include <vector>

#include "scene/cursor.h"

struct SDL_Cursor;

// The SDL shape (an SDL_SystemCursor value) nearest to a system cursor number of
// "vk.cursor.Load": 1 busy arrow, 2 arrow, 3 cross, 4 hand, 5 help, 6 I-beam, 7 icon,
// 8 no, 9 size, 10 size-all, 11 size NE-SW, 12 size N-S, 13 size NW-SE, 14 up arrow,
// 15 wait. SDL has no help, icon or up-arrow shape: they become the arrow, the arrow
// and the vertical double arrow. -1 (no cursor) for every other number.
int vK_SystemCursorShape(int number);

// The cursor on SDL: besides the image entries of the base it keeps one system cursor
// shape per entry. While image cursors are drawn the system cursor stays hidden; in
// system-cursor mode the selected entry's shape is shown.
class vK_Cursor_Impl : public vK_Cursor {
public:
    vK_Cursor_Impl() = default;
    ~vK_Cursor_Impl() override;

    void LoadImage(const std::string& file, int number) override;
    void SelectImage(int index) override;
    void SetPosition(float x, float y) override;

    // The shape of an entry (-1 for none or an invalid index).
    int GetEntryShape(int index) const;
    // The shape shown now; -1 while the system cursor is hidden.
    int GetShownShape() const { return shown_; }

protected:
    // Shows the shape, or hides the system cursor for -1. The SDL calls are made only
    // while SDL's video subsystem is up.
    virtual void ApplyShape(int shape);

private:
    void Show(int shape);

    std::vector<int> shapes_;
    // SDL cursors made so far, by shape; freed with the cursor.
    std::vector<SDL_Cursor*> made_;
    int shown_ = -2;  // nothing applied yet
};
