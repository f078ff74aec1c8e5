#include "scene/cursor.h"

namespace {
vK_Cursor* g_cursor = nullptr;
}

vK_Cursor* vK_Cursor::Instance() { return g_cursor; }

vK_Cursor::vK_Cursor() { g_cursor = this; }

vK_Cursor::~vK_Cursor() {
    if (g_cursor == this) g_cursor = nullptr;
}

void vK_Cursor::LoadImage(const std::string& file, int /*number*/) {
    Entry entry;
    entry.file = file;
    entries_.push_back(entry);
}

void vK_Cursor::SelectImage(int index) {
    if (index < 0 || index >= GetImageCount() || index == index_) return;
    index_ = index;
}

void vK_Cursor::SetPosition(float x, float y) {
    x_ = x;
    y_ = y;
    hidden_ = false;
}

void vK_Cursor::DrawCursor(vK_Render& /*render*/) {
    // TODO(objects): draw the current image object at the pointer position.
}

void vK_Cursor::UpdateCursor(const vK_FrameInfo& /*frame*/) {
    // TODO(objects): Update of the current animation entry.
}
