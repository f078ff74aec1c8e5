#include "particles/part_sys_impl.h"

#include <cmath>

#include "core/random.h"
#include "data/data.h"
#include "graphics/matrix.h"
#include "graphics/texture.h"
#include "graphics/vertex_list.h"
#include "scene/object.h"

namespace {
// Random spreads use four decimal digits of the generator's value.
constexpr uint32_t kSpreadSteps = 10000;
}  // namespace

vK_PartSysImpl::~vK_PartSysImpl() = default;

void vK_PartSysImpl::SetProperties(const vK_DataTable& table) {
    bool clear = true;
    table.GetBool("clear", clear);
    bool flag = false;
    if (table.Get("playing") && table.GetBool("playing", flag)) {
        if (flag) {
            Start();
        } else {
            Stop(clear);
        }
    }
    if (table.Get("pause") && table.GetBool("pause", flag)) Pause(flag);
}

void vK_PartSysImpl::GetProperties(vK_DataTable& table) const {
    table.SetBool("playing", IsPlaying());
    table.SetBool("pause", paused_);
}

void vK_PartSysImpl::SetMaskObject(vK_Object* mask) {
    mask_ = mask ? mask->GetWeakRef() : std::weak_ptr<vK_Object*>();
}

vK_Object* vK_PartSysImpl::GetMaskObject() const {
    std::shared_ptr<vK_Object*> held = mask_.lock();
    return held ? *held : nullptr;
}

float vK_PartSysImpl::Spread(float d) {
    const uint32_t r = vK_Random::Next() % kSpreadSteps;
    return static_cast<float>(r) * (d - (-d)) / static_cast<float>(kSpreadSteps) - d;
}

bool vK_PartSysImpl::SampleMask(vK_Texture& texture, int frame, float& x, float& y) {
    const float w = texture.GetWidth(), h = texture.GetHeight();
    // Widths below one pixel (or not numbers) have no point to offer, and a
    // remainder by zero is undefined.
    if (!(w >= 1.0f) || !(h >= 1.0f) || w > 1.0e9f || h > 1.0e9f) return false;
    const uint32_t iw = static_cast<uint32_t>(w), ih = static_cast<uint32_t>(h);
    vK_DrawParams params;
    params.frame = frame;
    for (int i = 0; i < kMaskTries; ++i) {
        const float px = static_cast<float>(vK_Random::Next() % iw) - w * 0.5f;
        const float py = static_cast<float>(vK_Random::Next() % ih) - h * 0.5f;
        if (texture.HitTest(px, py, params)) {
            x = px;
            y = py;
            return true;
        }
    }
    return false;
}

void vK_PartSysImpl::ScaleRotate(float sx, float sy, float angle, float* m) {
    const float c = std::cos(angle), s = std::sin(angle);
    // Row vectors: the x axis (sx, 0) rotated, the y axis (0, sy) rotated.
    m[0] = sx * c;
    m[1] = sx * s;
    m[2] = -sy * s;
    m[3] = sy * c;
}

void vK_PartSysImpl::AppendQuad(vK_VertexList& list, const vK_Rect& rect, const vK_Rect& uv, const float* m,
                                float tx, float ty, const vK_Matrix* world, float r, float g, float b,
                                float a) {
    const float cx[4] = {rect.x, rect.x + rect.w, rect.x, rect.x + rect.w};
    const float cy[4] = {rect.y, rect.y, rect.y + rect.h, rect.y + rect.h};
    float x[4], y[4];
    for (int i = 0; i < 4; ++i) {
        const float lx = cx[i] * m[0] + cy[i] * m[2] + tx;
        const float ly = cx[i] * m[1] + cy[i] * m[3] + ty;
        if (world) {
            world->Transform(lx, ly, x[i], y[i]);
        } else {
            x[i] = lx;
            y[i] = ly;
        }
    }
    const float u0 = uv.x, u1 = uv.x + uv.w, v0 = uv.y, v1 = uv.y + uv.h;
    // Corner order and winding as the renderer's own sprites.
    list.Add(x[0], y[0], u0, v0, r, g, b, a);
    list.Add(x[1], y[1], u1, v0, r, g, b, a);
    list.Add(x[2], y[2], u0, v1, r, g, b, a);
    list.Add(x[3], y[3], u1, v1, r, g, b, a);
    list.Add(x[2], y[2], u0, v1, r, g, b, a);
    list.Add(x[1], y[1], u1, v0, r, g, b, a);
}
