#include "game/cheat_highlight.h"

#include "game/game_message_ids.h"
#include "game/level.h"
#include "graphics/render.h"

vY_CheatHighlight::vY_CheatHighlight() : vK_Object("vy_cheat_highlight") {
    SetZ(999999.0f);
    SetInputEnabled(false);
    InitializeListener();
}

vY_CheatHighlight::~vY_CheatHighlight() { DestroyListener(); }

void vY_CheatHighlight::SetLevel(vY_Level* level) {
    level_ = level ? level->GetWeakRef() : std::weak_ptr<vK_Object*>();
}

void vY_CheatHighlight::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    if (MapMessage(id, MSG_Event_Level_CheatKeyPressed)) {
        int key = 0;
        if (payload) payload->GetInt("key", key);
        if (key == 9) enabled_ = !enabled_;
        return;
    }
}

void vY_CheatHighlight::DrawSelf(vK_Render& render, const vK_DrawParams& /*state*/) {
    const std::shared_ptr<vK_Object*> level = level_.lock();
    if (!enabled_ || !level) return;
    Outline(render, *level);
}

void vY_CheatHighlight::Outline(vK_Render& render, vK_Object* node) const {
    if (!node || node->IsDead() || !node->IsInputEnabled()) return;
    const bool clickable = !node->GetHandler(kEventMouseDown).IsEmpty();
    const float colour[3] = {clickable ? 1.0f : 0.0f, clickable ? 0.0f : 1.0f, 0.0f};
    if (node->HasInputRect()) {
        const vK_Rect& r = node->GetInputRect();
        const float cx[4] = {r.x, r.x + r.w, r.x + r.w, r.x};
        const float cy[4] = {r.y, r.y, r.y + r.h, r.y + r.h};
        float xs[4], ys[4];
        const vK_Matrix world = node->GetWorldMatrix();
        for (int i = 0; i < 4; ++i) world.Transform(cx[i], cy[i], xs[i], ys[i]);
        const vK_DrawParams plain;
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) % 4;
            render.DrawLine(xs[i], ys[i], 0.0f, xs[j], ys[j], 0.0f, colour, plain);
        }
    }
    for (size_t i = 0; i < node->GetChildCount(false); ++i) Outline(render, node->GetChild(i));
}
