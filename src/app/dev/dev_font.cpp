// The developer overlay's font, built into the program so that the overlay works over
// any game's assets: the build names the TrueType file (VRAKKO_DEV_FONT_FILE) and the
// assembler copies it into read-only data.
#include <cstddef>
#include <cstdint>

#include "app/dev/dev_canvas.h"

#ifdef VRAKKO_DEV_FONT_FILE
// ELF keeps the symbols inside the program (hidden) and returns to the section it came
// from; COFF (the Windows build) has neither, so there the block ends in .text, where the
// compiler's own output starts anyway.
#ifdef _WIN32
#define VK_DEV_FONT_ENTER ".section .rdata,\"dr\"\n"
#define VK_DEV_FONT_HIDE ""
#define VK_DEV_FONT_LEAVE ".text\n"
#define VK_DEV_FONT_VISIBILITY
#else
#define VK_DEV_FONT_ENTER ".pushsection .rodata\n"
#define VK_DEV_FONT_HIDE ".hidden vk_dev_font_begin\n.hidden vk_dev_font_end\n"
#define VK_DEV_FONT_LEAVE ".popsection\n"
#define VK_DEV_FONT_VISIBILITY __attribute__((visibility("hidden")))
#endif
asm(VK_DEV_FONT_ENTER
    ".balign 16\n"
    ".globl vk_dev_font_begin\n"
    ".globl vk_dev_font_end\n" VK_DEV_FONT_HIDE
    "vk_dev_font_begin:\n"
    ".incbin \"" VRAKKO_DEV_FONT_FILE
    "\"\n"
    "vk_dev_font_end:\n" VK_DEV_FONT_LEAVE);
extern "C" VK_DEV_FONT_VISIBILITY const uint8_t vk_dev_font_begin[];
extern "C" VK_DEV_FONT_VISIBILITY const uint8_t vk_dev_font_end[];

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
