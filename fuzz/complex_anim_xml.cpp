// Fuzzes the complex-animation XML reader through the animation object's choice of
// implementation: any bytes must load or be refused with a log line, and what loads
// must play and draw every function without hanging or reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "anim/anim_impl_complex.h"
#include "complex_anim_play.h"
#include "files/log.h"
#include "scene/animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture quiet;
    quiet.Clear();
    vK_Animation owner;
    std::unique_ptr<vK_AnimImpl> impl = vK_Animation::ImplFromXml(data, size, "fuzz", &owner);
    if (auto* complex = dynamic_cast<vK_AnimImpl_Complex*>(impl.get())) FuzzPlayComplex(*complex);
    return 0;
}
