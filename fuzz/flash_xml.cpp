// Fuzzes the flash-animation reader: any bytes given as an animation XML must choose an
// implementation or be refused with a log line, and stepping, drawing and moving the
// timeline of what was read (with the "frame" property put anywhere) must stay inside
// its symbol and frame lists.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "anim/anim_impl_flash.h"
#include "files/log.h"
#include "scene/animation.h"
#include "support_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture quiet;
    quiet.Clear();
    vK_Animation owner;
    std::unique_ptr<vK_AnimImpl> impl = vK_Animation::ImplFromXml(data, size, "fuzz", &owner);
    auto* flash = dynamic_cast<vK_AnimImpl_Flash*>(impl.get());
    if (!flash) return 0;
    for (const auto& frame : flash->GetFrames()) {
        for (const vK_FlashPlacement& placement : frame) {
            if (placement.symbol < 0 || static_cast<size_t>(placement.symbol) >= flash->GetSymbols().size())
                __builtin_trap();
        }
    }
    const int loopFrame = flash->GetLoopFrame();
    if (!flash->GetFrames().empty() &&
        (loopFrame < 0 || static_cast<size_t>(loopFrame) >= flash->GetFrames().size()))
        __builtin_trap();

    vK_FuzzRender render;
    render.Init(64, 64);
    const float steps[] = {0.0f, 0.016f, 0.05f, 1.0f, 0.3f, -0.01f};
    const int starts[] = {0, -1, 1, 2, INT_MAX, INT_MIN};
    for (int start : starts) {
        flash->Play("", vK_DataScriptFunction());
        vK_DataTable props;
        props.SetInt("frame", start);
        flash->SetProperties(props);
        for (float dt : steps) {
            flash->Update(dt);
            render.BeginDraw();
            flash->Draw(render, vK_DrawParams());
            render.EndDraw();
        }
    }
    return 0;
}
