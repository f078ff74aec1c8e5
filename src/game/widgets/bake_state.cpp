#include "game/widgets/bake_state.h"

#include "data/data.h"
#include "graphics/texture.h"
#include "scene/object.h"
#include "scene/property_table.h"

void vY_BakeState::SetProperties(const vK_DataTable& table) {
    int32_t value = 0;
    if (const vK_Data* v = table.Get("bake"); v && vK_Props::Read(*v, "bake", value) && value != bake) {
        bake = value;
        applied = false;
    }
    value = 0;
    if (const vK_Data* v = table.Get("clear_bake");
        v && vK_Props::Read(*v, "clear_bake", value) && value != 0)
        Release();
}

void vY_BakeState::GetProperties(vK_DataTable& table) const { table.SetInt("bake", bake); }

void vY_BakeState::Apply(vK_Object& owner) {
    if (applied) return;
    owner.SetInputChildren(bake == 0);
    applied = true;
    if (bake == 0 || !texture) Release();
}

void vY_BakeState::Store(std::shared_ptr<vK_Texture> result) {
    texture = std::move(result);
    baked = texture != nullptr;
}
