#include "platform/cursor_impl.h"

#include <SDL.h>

int vK_SystemCursorShape(int number) {
    static constexpr int kShapes[] = {
        SDL_SYSTEM_CURSOR_WAITARROW,  // 1 application starting
        SDL_SYSTEM_CURSOR_ARROW,      // 2 arrow
        SDL_SYSTEM_CURSOR_CROSSHAIR,  // 3 cross
        SDL_SYSTEM_CURSOR_HAND,       // 4 hand
        SDL_SYSTEM_CURSOR_ARROW,      // 5 help
        SDL_SYSTEM_CURSOR_IBEAM,      // 6 I-beam
        SDL_SYSTEM_CURSOR_ARROW,      // 7 icon
        SDL_SYSTEM_CURSOR_NO,         // 8 no
        SDL_SYSTEM_CURSOR_SIZEALL,    // 9 size
        SDL_SYSTEM_CURSOR_SIZEALL,    // 10 size all
        SDL_SYSTEM_CURSOR_SIZENESW,   // 11 size NE-SW
        SDL_SYSTEM_CURSOR_SIZENS,     // 12 size N-S
        SDL_SYSTEM_CURSOR_SIZENWSE,   // 13 size NW-SE
        SDL_SYSTEM_CURSOR_SIZENS,     // 14 up arrow
        SDL_SYSTEM_CURSOR_WAIT,       // 15 wait
    };
    constexpr int kCount = static_cast<int>(sizeof kShapes / sizeof kShapes[0]);
    return number >= 1 && number <= kCount ? kShapes[number - 1] : -1;
}

vK_Cursor_Impl::~vK_Cursor_Impl() {
    // Quitting SDL's video subsystem frees every cursor it made.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    for (SDL_Cursor* cursor : made_)
        if (cursor) SDL_FreeCursor(cursor);
}

void vK_Cursor_Impl::LoadImage(const std::string& file, int number) {
    vK_Cursor::LoadImage(file, number);
    shapes_.push_back(vK_SystemCursorShape(number));
}

int vK_Cursor_Impl::GetEntryShape(int index) const {
    return index >= 0 && static_cast<size_t>(index) < shapes_.size() ? shapes_[static_cast<size_t>(index)]
                                                                     : -1;
}

void vK_Cursor_Impl::Show(int shape) {
    shown_ = shape;
    ApplyShape(shape);
}

void vK_Cursor_Impl::SelectImage(int index) {
    if (index < 0 || index >= GetImageCount() || index == index_) return;
    index_ = index;
    if (!system_) {
        Show(-1);
    } else if (GetEntryShape(index) >= 0) {
        Show(GetEntryShape(index));
    }
}

void vK_Cursor_Impl::SetPosition(float x, float y) {
    vK_Cursor::SetPosition(x, y);
    if (!system_) {
        // Every pointer event hides it again, whatever the window system restored.
        Show(-1);
    } else if (index_ >= 0 && static_cast<size_t>(index_) < shapes_.size() &&
               shown_ != shapes_[static_cast<size_t>(index_)]) {
        Show(shapes_[static_cast<size_t>(index_)]);
    }
}

void vK_Cursor_Impl::ApplyShape(int shape) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    if (shape < 0 || shape >= SDL_NUM_SYSTEM_CURSORS) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (made_.size() < SDL_NUM_SYSTEM_CURSORS) made_.resize(SDL_NUM_SYSTEM_CURSORS, nullptr);
    SDL_Cursor*& cursor = made_[static_cast<size_t>(shape)];
    if (!cursor) cursor = SDL_CreateSystemCursor(static_cast<SDL_SystemCursor>(shape));
    if (cursor) SDL_SetCursor(cursor);
    SDL_ShowCursor(SDL_ENABLE);
}
