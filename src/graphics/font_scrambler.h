#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The ".vkfnt" scrambling of font files. A scrambled file is a sequence of 36-byte
// blocks: 35 data bytes, each with a key byte added (mod 256), and one filler byte. The
// 35 key bytes evolve before every block from a fixed 35-character phrase; the last
// block may be short. The loader descrambles, the vkfont tool scrambles.
class vK_FontScrambler {
public:
    static constexpr int kKeyLength = 35;
    static constexpr int kBlockLength = kKeyLength + 1;

    // One evolution step of a key value, in 32-bit signed arithmetic with wrap-around
    // and divisions truncated toward zero.
    static int32_t EvolveKeyValue(int32_t v);

    // The key bytes of block `block` (0 = the first block of a file).
    static void KeyBytesForBlock(size_t block, uint8_t (&key)[kKeyLength]);

    // Scrambled bytes to plain bytes (fillers dropped).
    static std::vector<uint8_t> Descramble(const uint8_t* data, size_t size);
    // Plain bytes to scrambled bytes; every complete block gets its filler byte.
    static std::vector<uint8_t> Scramble(const uint8_t* data, size_t size);

    // Size of the plain data of a scrambled file of `size` bytes.
    static size_t PlainSize(size_t size) { return size - size / kBlockLength; }

private:
    class KeyStream;
    static std::shared_ptr<const std::vector<uint8_t>> KeyBytes(size_t blocks);
};
