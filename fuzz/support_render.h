#pragma once
// Draws a particle system into a renderer without a device, so the fuzzers reach the
// vertex building with whatever a preset produced.
#include <memory>

#include "graphics/device_texture.h"
#include "graphics/null_render_device.h"
#include "graphics/render.h"
#include "particles/part_sys_impl.h"

class vK_FuzzRender : public vK_Render {
public:
    vK_FuzzRender() : vK_Render(std::make_unique<vK_NullRenderDevice>()) {}
};

inline void FuzzDraw(vK_PartSysImpl& impl) {
    vK_FuzzRender render;
    render.Init(64, 64);
    impl.Draw(render, vK_DrawParams());
}
