// Fuzzes the frame-animation reader: any bytes given as an animation XML must choose an
// implementation or be refused with a log line, and playing every function of what was
// read must keep the frame position inside the function and the cross-fade weight in
// [0, 1].
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "anim/anim_impl_frame.h"
#include "core/frame_info.h"
#include "files/log.h"
#include "scene/animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture quiet;
    quiet.Clear();
    vK_Animation owner;
    std::unique_ptr<vK_AnimImpl> impl = vK_Animation::ImplFromXml(data, size, "fuzz", &owner);
    auto* frames = dynamic_cast<vK_AnimImpl_Frame*>(impl.get());
    if (!frames || !frames->GetAnimResource()) return 0;
    const auto& functions = frames->GetAnimResource()->GetFunctions();
    const float steps[] = {0.0f, 0.016f, 0.05f, 1.0f, 0.3f, -0.01f};
    size_t played = 0;
    for (const vK_FrameAnimFunction& function : functions) {
        if (++played > 64) break;
        frames->Play(function.name, vK_DataScriptFunction());
        for (float dt : steps) {
            frames->Update(dt);
            const int index = frames->GetCurrentFunction();
            if (index < 0 || static_cast<size_t>(index) >= functions.size()) __builtin_trap();
            const size_t count = functions[static_cast<size_t>(index)].frames.size();
            if (count > 0 &&
                (frames->GetPosition() < 0 || static_cast<size_t>(frames->GetPosition()) >= count))
                __builtin_trap();
            const float weight = frames->CrossFadeWeight(nullptr);
            if (!(weight >= 0.0f && weight <= 1.0f)) __builtin_trap();
        }
        frames->Stop();
    }
    return 0;
}
