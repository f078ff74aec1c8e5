#include "graphics/render_target_texture.h"

#include <algorithm>
#include <vector>

namespace {
std::vector<vK_RenderTargetTexture_Impl*>& Targets() {
    static std::vector<vK_RenderTargetTexture_Impl*> targets;
    return targets;
}
}  // namespace

vK_RenderTargetTexture_Impl::vK_RenderTargetTexture_Impl() { Targets().push_back(this); }

vK_RenderTargetTexture_Impl::~vK_RenderTargetTexture_Impl() {
    auto& targets = Targets();
    targets.erase(std::remove(targets.begin(), targets.end(), this), targets.end());
}

bool vK_RenderTargetTexture_Impl::Create(int width, int height, const float* /*colour*/) {
    return AllocateEven(width, height, true);
}

void vK_RenderTargetTexture_Impl::ReleaseAll() {
    for (vK_RenderTargetTexture_Impl* target : Targets()) target->ReleaseDeviceTexture();
}

int vK_RenderTargetTexture_Impl::LiveCount() { return static_cast<int>(Targets().size()); }
