#pragma once
// Plays every function of a fuzzed complex animation for a few steps of all sizes and
// draws it, so the fuzzers reach evaluation, composition and vertex building.
#include <cmath>

#include "anim/anim_impl_complex.h"
#include "support_render.h"

inline void FuzzPlayComplex(vK_AnimImpl_Complex& impl) {
    if (!impl.GetAnimResource()) return;
    vK_FuzzRender render;
    render.Init(64, 64);
    const float steps[] = {0.0f, 0.016f, 0.5f, 3.0f, -0.01f, 100.0f};
    size_t played = 0;
    for (const auto& entry : impl.GetAnimResource()->functions) {
        if (++played > 16) break;
        impl.Play(entry.first, vK_DataScriptFunction());
        for (float dt : steps) {
            impl.Update(dt);
            if (!std::isfinite(impl.GetTime())) __builtin_trap();
            impl.Draw(render, vK_DrawParams());
        }
        impl.Pause(true);
        impl.Stop();
    }
}
