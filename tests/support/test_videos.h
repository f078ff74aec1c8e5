#pragma once
// Videos for the tests, made by ffmpeg's Theora encoder from its own test patterns into
// the build folder (once; later runs reuse them), and ".zalpha" planes made with zlib.
#include <ogg/ogg.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace test_videos {

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An Ogg Theora file from the lavfi source (e.g. "testsrc=size=320x240:rate=25:duration=1"),
// with extra ffmpeg options (e.g. "-pix_fmt yuv444p"). "" when ffmpeg failed.
inline std::string MakeTheora(const std::string& name, const std::string& source,
                              const std::string& extra = std::string()) {
    const std::string dir = std::string(VRAKKO_BINARY_DIR) + "/test_videos";
    const std::string path = dir + "/" + name + ".ogg";
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(dir);
    // Test programs run in parallel: write aside, then rename into place.
    const std::string part = path + ".part" + std::to_string(getpid());
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i '" + source +
                                "' " + extra + " -an -c:v libtheora -q:v 8 -f ogg '" + part + "'";
    if (std::system(command.c_str()) != 0) return std::string();
    std::filesystem::rename(part, path);
    return path;
}

// One ".zalpha" frame: the 4-byte little-endian length and the zlib data of plane.
inline void AppendZAlphaFrame(std::vector<uint8_t>& out, const std::vector<uint8_t>& plane) {
    uLongf size = compressBound(static_cast<uLong>(plane.size()));
    std::vector<uint8_t> packed(size);
    compress(packed.data(), &size, plane.data(), static_cast<uLong>(plane.size()));
    const uint32_t length = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(length >> (8 * i)));
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<long>(size));
}

// Rewrites the frame-rate numerator in the Theora identification header of an Ogg
// file and mends the page's checksum, so only the header's content is wrong.
inline std::vector<uint8_t> WithFrameRateNumerator(std::vector<uint8_t> file, uint32_t numerator) {
    static const uint8_t kMagic[] = {0x80, 't', 'h', 'e', 'o', 'r', 'a'};
    for (size_t page = 0; page + 27 <= file.size();) {
        ogg_page p{};
        p.header = file.data() + page;
        p.header_len = 27 + file[page + 26];
        long body = 0;
        for (int i = 0; i < file[page + 26]; ++i) body += file[page + 27 + i];
        p.body = file.data() + page + p.header_len;
        p.body_len = body;
        if (p.body_len >= 30 && std::equal(kMagic, kMagic + 7, p.body)) {
            for (int i = 0; i < 4; ++i) p.body[22 + i] = static_cast<uint8_t>(numerator >> (24 - 8 * i));
            ogg_page_checksum_set(&p);
            break;
        }
        page += static_cast<size_t>(p.header_len + p.body_len);
    }
    return file;
}

}  // namespace test_videos
