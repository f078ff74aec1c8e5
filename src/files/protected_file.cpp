#include "files/protected_file.h"

#include <array>
#include <cstdio>

namespace {

constexpr size_t kStateWords = 512;

int NormalKind(int kind) { return kind >= 0 && kind <= 3 ? kind : 0; }
bool IsScrambled(int kind) { return kind == 1 || kind == 3; }
bool IsChecksummed(int kind) { return kind == 2 || kind == 3; }

// f(a) = 5(a - a/5) + 87(a/87) - 7(a/7) + a/3 + a rem 2 in wrapping signed 32-bit
// arithmetic, division truncating toward zero. Products and sums are done unsigned
// so that wrapping is defined; the quotients themselves never overflow.
int32_t Mix(int32_t a) {
    const uint32_t r = 5u * static_cast<uint32_t>(a - a / 5) + 87u * static_cast<uint32_t>(a / 87) -
                       7u * static_cast<uint32_t>(a / 7) + static_cast<uint32_t>(a / 3) +
                       static_cast<uint32_t>(a % 2);
    return static_cast<int32_t>(r);
}

class Keystream {
public:
    explicit Keystream(const std::string& key) {
        n_ = key.size() < kStateWords ? key.size() : kStateWords - 1;
        for (size_t i = 0; i < n_; ++i) state_[i] = static_cast<int8_t>(key[i]);
        Stir();
        Stir();
    }
    bool Empty() const { return n_ == 0; }
    uint8_t Next() {
        if (j_ == n_) {
            Stir();
            j_ = 0;
        }
        return static_cast<uint8_t>(state_[j_++] & 0xFF);
    }

private:
    void Stir() {
        for (size_t i = 0; i < n_; ++i) {
            const int32_t a =
                static_cast<int32_t>(static_cast<uint32_t>(state_[i]) + static_cast<uint32_t>(i));
            state_[i] = Mix(a);
        }
    }

    std::array<int32_t, kStateWords> state_{};
    size_t n_ = 0;
    size_t j_ = 0;
};

}  // namespace

uint32_t ComputeChecksum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

std::string FormatChecksumHeader(uint32_t checksum) {
    char text[32];
    std::snprintf(text, sizeof(text), "%016lu", static_cast<unsigned long>(checksum));
    return text;
}

bool ParseChecksumHeader(const uint8_t* data, size_t size, uint64_t& value) {
    if (size < kChecksumHeaderSize) return false;
    uint64_t v = 0;
    for (size_t i = 0; i < kChecksumHeaderSize; ++i) {
        if (data[i] < '0' || data[i] > '9') return false;
        v = v * 10 + (data[i] - '0');  // at most 10^16 - 1: no overflow
    }
    value = v;
    return true;
}

const std::string& ProtectionKeyText() {
    // Never change these fragments: every scrambled save depends on them.
    static const std::string key = [] {
        const char* fragments[] = {"Vr", "akko", ":", "lantern", "-", "moth", "/", "1907", "#tide"};
        std::string text;
        for (const char* f : fragments) text += f;
        return text;
    }();
    return key;
}

void ScrambleBytes(std::vector<uint8_t>& bytes, const std::string& key) {
    Keystream stream(key);
    if (stream.Empty()) return;
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(b + stream.Next());
}

void UnscrambleBytes(std::vector<uint8_t>& bytes, const std::string& key) {
    Keystream stream(key);
    if (stream.Empty()) return;
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(b - stream.Next());
}

std::vector<uint8_t> KeystreamBytes(const std::string& key, size_t count) {
    std::vector<uint8_t> out(count, 0);
    ScrambleBytes(out, key);
    return out;
}

std::vector<uint8_t> ProtectBytes(const std::vector<uint8_t>& content, int kind) {
    kind = NormalKind(kind);
    std::vector<uint8_t> stored;
    if (IsChecksummed(kind)) {
        const std::string header = FormatChecksumHeader(ComputeChecksum(content.data(), content.size()));
        stored.reserve(header.size() + content.size());
        stored.assign(header.begin(), header.end());
        stored.insert(stored.end(), content.begin(), content.end());
    } else {
        stored = content;
    }
    if (IsScrambled(kind)) ScrambleBytes(stored, ProtectionKeyText());
    return stored;
}

int UnprotectBytes(std::vector<uint8_t>& bytes, int kind, std::string* problem) {
    kind = NormalKind(kind);
    if (IsScrambled(kind)) UnscrambleBytes(bytes, ProtectionKeyText());
    if (!IsChecksummed(kind)) return 0;
    const auto damaged = [problem](const char* why) {
        if (problem) *problem = why;
        return 2;
    };
    // Shorter than a header, or a header that is not 16 digits: damaged. A header
    // alone is the stored form of empty content, so it reads back when it says 0.
    if (bytes.size() < kChecksumHeaderSize) return damaged("is too short to hold its checksum");
    uint64_t stated = 0;
    if (!ParseChecksumHeader(bytes.data(), bytes.size(), stated)) return damaged("has no checksum header");
    const uint32_t actual =
        ComputeChecksum(bytes.data() + kChecksumHeaderSize, bytes.size() - kChecksumHeaderSize);
    if (stated != actual) return damaged("does not match its checksum");
    bytes.erase(bytes.begin(), bytes.begin() + kChecksumHeaderSize);
    return 0;
}
