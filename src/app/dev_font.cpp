// The developer overlay's font, built into the program so that the overlay works over
// any game's assets: the build names the TrueType file (VRAKKO_DEV_FONT_FILE) and the
// assembler copies it into read-only data.
#include <cstddef>
#include <cstdint>

#include "app/dev_canvas.h"

#ifdef VRAKKO_DEV_FONT_FILE
asm(".pushsection .rodata\n"
    ".balign 16\n"
    ".globl vk_dev_font_begin\n"
    ".globl vk_dev_font_end\n"
    ".hidden vk_dev_font_begin\n"
    ".hidden vk_dev_font_end\n"
    "vk_dev_font_begin:\n"
    ".incbin \"" VRAKKO_DEV_FONT_FILE
    "\"\n"
    "vk_dev_font_end:\n"
    ".popsection\n");
extern "C" __attribute__((visibility("hidden"))) const uint8_t vk_dev_font_begin[];
extern "C" __attribute__((visibility("hidden"))) const uint8_t vk_dev_font_end[];

const uint8_t* DevFontData(size_t& size) {
    size = static_cast<size_t>(vk_dev_font_end - vk_dev_font_begin);
    return vk_dev_font_begin;
}
#else
const uint8_t* DevFontData(size_t& size) {
    size = 0;
    return nullptr;
}
#endif
