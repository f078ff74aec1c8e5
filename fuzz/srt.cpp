// Arbitrary text as an ".srt" subtitle file, then the track played through: parsing
// must never read past a line, and every entry found must be well formed.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "media/subtitle_track.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vK_SubtitleTrack track;
    track.Parse(std::string(reinterpret_cast<const char*>(data), size));
    for (const vK_SubtitleTrack::Entry& entry : track.GetEntries()) {
        if (!std::isfinite(entry.start) || !std::isfinite(entry.end) || entry.start < 0 ||
            entry.textId.empty() || entry.textId.size() > vK_SubtitleTrack::kMaxLine)
            __builtin_trap();
    }
    for (float t = 0.0f; t < 400000.0f; t = t * 2 + 0.5f) track.Update(t);
    track.Rewind();
    return 0;
}
