#include "scene/cursor.h"

#include "core/frame_info.h"
#include "core/input_event.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "graphics/render.h"
#include "scene/animation.h"
#include "scene/object.h"

namespace {
vK_Cursor* g_cursor = nullptr;

bool AssetExists(const std::string& path) {
    vK_FileManager* files = vK_FileManager::Instance();
    return files && files->Exists(path) == 0;
}
}  // namespace

vK_Cursor* vK_Cursor::Instance() { return g_cursor; }

vK_Cursor::vK_Cursor() {
    g_cursor = this;
    using Stage = vK_FrameStage;
    // The cursor sits on whole pixels.
    stages_.emplace_back(Stage::kFollowPointer, [this](vK_StageContext& c) {
        SetPosition(static_cast<float>(static_cast<int>(c.event->x)),
                    static_cast<float>(static_cast<int>(c.event->y)));
    });
    stages_.emplace_back(Stage::kPointerPosition, [this](vK_StageContext& c) {
        c.x = x_;
        c.y = y_;
    });
    stages_.emplace_back(Stage::kUpdateCursor, [this](vK_StageContext& c) { UpdateCursor(*c.frame); });
    stages_.emplace_back(Stage::kDrawCursor, [this](vK_StageContext& c) { DrawCursor(*c.render); });
}

vK_Cursor::~vK_Cursor() {
    stages_.clear();
    for (Entry& entry : entries_)
        if (entry.object) vK_Object::Destroy(entry.object);
    if (g_cursor == this) g_cursor = nullptr;
}

void vK_Cursor::LoadImage(const std::string& file, int /*number*/) {
    Entry entry;
    const std::string name = "vk_cursor_" + std::to_string(entries_.size());
    const bool animated = AssetExists(file + ".xml") || AssetExists(file + ".anm");
    if (animated || AssetExists(file + ".png")) {
        // Cursor images are loose objects: never in the scene tree, yet in the scene state.
        entry.isAnimation = animated;
        entry.object = vK_Object::CreateObject(animated ? "anim" : "spr", name);
        if (entry.object) {
            vK_DataTable props;
            props.SetString("res", file);
            entry.object->SetProperties(props);
            entry.object->EnterScene();
            if (auto* animation = dynamic_cast<vK_Animation*>(entry.object))
                animation->Play("DoAnim", vK_DataScriptFunction());
        }
    }
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

void vK_Cursor::DrawCursor(vK_Render& render) {
    if (index_ < 0 || index_ >= GetImageCount() || system_ || hidden_) return;
    vK_Object* object = entries_[static_cast<size_t>(index_)].object;
    if (!object || object->IsDead()) return;
    render.BeginDraw();
    vK_DrawParams at;
    at.matrix = vK_Matrix::Translation(x_, y_);
    object->Draw(render, at);
    render.EndDraw();
}

void vK_Cursor::UpdateCursor(const vK_FrameInfo& frame) {
    if (index_ < 0 || index_ >= GetImageCount() || system_) return;
    const Entry& entry = entries_[static_cast<size_t>(index_)];
    if (entry.isAnimation && entry.object && !entry.object->IsDead()) entry.object->Update(frame);
}
