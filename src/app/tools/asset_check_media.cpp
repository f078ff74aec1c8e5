// The asset check's media: each font, sound and video is opened the way the engine opens
// it (the font loader, the Ogg Vorbis reader, the Theora reader a video object uses), and
// what the engine would refuse is reported with the engine's own reason.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/tools/asset_check.h"
#include "app/tools/asset_check_scan.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/font.h"
#include "media/sound_decoder.h"
#include "media/video_impl_ogg.h"

namespace {

// The first line the engine logged, without its "Error: " or "Warning: " label; fallback
// when it logged nothing.
std::string FirstLine(const vK_LogCapture& log, const std::string& fallback) {
    std::string line = log.Text().substr(0, log.Text().find('\n'));
    for (const char* label : {"Error: ", "Warning: "})
        if (line.rfind(label, 0) == 0) line.erase(0, std::strlen(label));
    return line.empty() ? fallback : line;
}

// Why the font loader refuses the one file (as the regular face of a font of its own
// name); empty when it takes it.
std::string FontProblem(const std::string& file, const std::vector<uint8_t>& bytes) {
    vK_LogCapture log;
    vK_Font font;
    const auto onlyThisFile = [&](const std::string& path, std::vector<uint8_t>& out) {
        if (path != file) return false;
        out = bytes;
        return true;
    };
    if (font.LoadWith(WithoutExtension(file), onlyThisFile)) return {};
    return FirstLine(log, "the font loader does not take it");
}

// Why the mixer's reader refuses the sound: at opening or in its first block.
std::string SoundProblem(std::vector<uint8_t> bytes) {
    std::string error;
    std::unique_ptr<vK_SoundDecoder> decoder = vK_SoundDecoder::Open(std::move(bytes), false, &error);
    if (!decoder) return error.empty() ? "not an Ogg Vorbis sound" : error;
    std::vector<float> block(4096 * vK_SoundDecoder::kOutputChannels);
    decoder->Read(block.data(), 4096);
    return decoder->Failed() ? "it does not decode: " + decoder->FailReason() : std::string();
}

// The video named name (N.ogg with N.zalpha or N.oggalpha) opened as a video object opens
// it, and its first frame decoded. Empty when it plays; warning set to what the engine
// passes over with a log line (an alpha video it ignores, say).
std::string VideoProblem(const std::string& name, std::string& warning) {
    vK_LogCapture log;
    vK_VideoImpl_Ogg video(name);
    if (!video.Open(name)) return FirstLine(log, "it does not open as a Theora video");
    if (!video.DecodeFrame()) return FirstLine(log, "its first frame does not decode");
    if (log.Count() > 0) warning = FirstLine(log, "");
    return {};
}

}  // namespace

// An Ogg file is a video when it holds a Theora stream, has an alpha file beside it or
// lies in a "videos" folder; any other is a sound.
bool vK_AssetCheck::IsVideo(const std::string& file, const std::vector<uint8_t>& bytes) const {
    static const char kTheoraHeader[] = "\x80theora";
    const std::string name = WithoutExtension(file);
    const auto head = bytes.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(bytes.size(), 65536));
    return Has(name + ".zalpha") || Has(name + ".oggalpha") || file.find("/videos/") != std::string::npos ||
           std::search(bytes.begin(), head, kTheoraHeader, kTheoraHeader + 7) != head;
}

void vK_AssetCheck::CheckMedia() {
    for (const std::string& file : files_) {
        const bool font = EndsWith(file, ".vkfnt"), ogg = EndsWith(file, ".ogg");
        if (!font && !ogg) continue;
        std::vector<uint8_t> bytes;
        if (!ReadBytes(file, bytes)) {
            Report(true, file, 0, "can not be read");
            continue;
        }
        if (font) {
            const std::string problem = FontProblem(file, bytes);
            if (!problem.empty()) Report(true, file, 0, "the engine can not load this font: " + problem);
        } else if (IsVideo(file, bytes)) {
            std::string warning;
            const std::string problem = VideoProblem(WithoutExtension(file), warning);
            if (!problem.empty()) Report(true, file, 0, "the engine can not play this video: " + problem);
            if (!warning.empty()) Report(false, file, 0, warning);
        } else {
            const std::string problem = SoundProblem(std::move(bytes));
            if (!problem.empty()) Report(true, file, 0, "the engine can not play this sound: " + problem);
        }
    }
}
