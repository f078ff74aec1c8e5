#include "core/platform.h"

#include "core/vrakko.h"
#include "graphics/render.h"

std::unique_ptr<vK_Render> vK_Platform::CreateRenderer(int /*width*/, int /*height*/) { return nullptr; }

double vK_Platform::Now() const { return Vrakko::SteadyMs(); }
