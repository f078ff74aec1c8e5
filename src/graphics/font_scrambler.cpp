#include "graphics/font_scrambler.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// The 35-character key phrase, assembled from fragments at run time so that it does not
// appear as one string in the executable. Fonts shipped with a game are scrambled with it.
void AssemblePhrase(char (&phrase)[vK_FontScrambler::kKeyLength + 1]) {
    static const char* const kFragments[] = {"Vrakko", ":glyphs", "-under", "-a-", "quiet", "-veil", "#35"};
    phrase[0] = '\0';
    for (const char* fragment : kFragments) std::strcat(phrase, fragment);
}

}  // namespace

// Generates the evolving key bytes block after block.
class vK_FontScrambler::KeyStream {
public:
    KeyStream() {
        char phrase[kKeyLength + 1];
        AssemblePhrase(phrase);
        for (int j = 0; j < kKeyLength; ++j) state_[j] = static_cast<unsigned char>(phrase[j]);
    }
    // Evolves the state once and returns the new key bytes.
    const uint8_t* Next() {
        for (int j = 0; j < kKeyLength; ++j) {
            state_[j] = EvolveKeyValue(state_[j]);
            key_[j] = static_cast<uint8_t>(state_[j] & 0xFF);
        }
        return key_;
    }

private:
    int32_t state_[kKeyLength];
    uint8_t key_[kKeyLength] = {};
};

int32_t vK_FontScrambler::EvolveKeyValue(int32_t v) {
    // Computed in 64 bits and reduced to 32 bits at the end: the same result as 32-bit
    // wrap-around arithmetic, without signed overflow.
    int64_t t =
        static_cast<int64_t>(v) + 20 * static_cast<int64_t>(v / 100) - 2 * static_cast<int64_t>(v / 10);
    t = 5 * t + v / 2 - 7 * static_cast<int64_t>(v / 7) - 3 * static_cast<int64_t>(v / 3);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(t)));
}

// The key bytes of at least the first `blocks` blocks, kKeyLength each. The key stream
// is the same for every file, so it is evolved once per process and shared: the styles
// of a font, and every later font, cost no key arithmetic up to the longest stream made
// so far. A caller keeps its snapshot while another thread may grow the stream.
std::shared_ptr<const std::vector<uint8_t>> vK_FontScrambler::KeyBytes(size_t blocks) {
    static std::mutex mutex;
    static std::shared_ptr<const std::vector<uint8_t>> shared = std::make_shared<std::vector<uint8_t>>();
    static KeyStream stream;
    std::lock_guard<std::mutex> lock(mutex);
    const size_t have = shared->size() / kKeyLength;
    if (blocks > have) {
        auto grown = std::make_shared<std::vector<uint8_t>>(*shared);
        const size_t want = std::max(blocks, have * 2);
        grown->resize(want * kKeyLength);
        for (size_t b = have; b < want; ++b)
            std::memcpy(&(*grown)[b * kKeyLength], stream.Next(), kKeyLength);
        shared = std::move(grown);
    }
    return shared;
}

void vK_FontScrambler::KeyBytesForBlock(size_t block, uint8_t (&key)[kKeyLength]) {
    const auto keys = KeyBytes(block + 1);
    std::memcpy(key, keys->data() + block * kKeyLength, kKeyLength);
}

std::vector<uint8_t> vK_FontScrambler::Descramble(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (size == 0 || data == nullptr) return out;
    out.resize(PlainSize(size));
    const size_t blocks = (size + kBlockLength - 1) / kBlockLength;
    const auto stream = KeyBytes(blocks);
    const uint8_t* keys = stream->data();
    uint8_t* plain = out.data();
    for (size_t b = 0; b < blocks; ++b) {
        const uint8_t* in = data + b * kBlockLength;
        const uint8_t* key = keys + b * kKeyLength;
        const size_t n = std::min<size_t>(kKeyLength, size - b * kBlockLength);
        for (size_t i = 0; i < n; ++i) plain[i] = static_cast<uint8_t>(in[i] - key[i]);
        plain += n;
    }
    return out;
}

std::vector<uint8_t> vK_FontScrambler::Scramble(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (size == 0 || data == nullptr) return out;
    out.reserve(size + size / kKeyLength + 1);
    KeyStream stream;
    const uint8_t* key = nullptr;
    for (size_t p = 0; p < size; ++p) {
        const int i = static_cast<int>(p % kKeyLength);
        if (i == 0) key = stream.Next();
        out.push_back(static_cast<uint8_t>(data[p] + key[i]));
        // The filler carries no data; a key byte makes it look like the rest.
        if (i == kKeyLength - 1)
            out.push_back(static_cast<uint8_t>(key[(p / kKeyLength) % kKeyLength] ^ 0x5A));
    }
    return out;
}
