// vkzalpha: writes the ".zalpha" alpha planes of a video from a folder of RGBA PNG
// frames or from an alpha video. Run with --help for usage.
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/in_file_stream.h"
#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "media/theora_decoder.h"
#include "media/video_convert.h"

namespace {

const char* const kUsage =
    "Usage: vkzalpha [options] INPUT OUTPUT.zalpha\n"
    "\n"
    "Writes the alpha planes of a video N (N.ogg) as N.zalpha: one zlib-compressed plane\n"
    "of width x height bytes per frame, each preceded by its 4-byte little-endian length.\n"
    "The size is the colour video's coded size: its picture size rounded up to whole\n"
    "16-pixel blocks; the planes are padded with transparent rows and columns on the\n"
    "right and at the bottom.\n"
    "\n"
    "INPUT is either\n"
    "  a folder of RGBA PNG frames, taken in the order of their file names; every frame\n"
    "  must have the same size; the alpha channel is written, or\n"
    "  an Ogg Theora video (an N.oggalpha file, say) whose red channel is the alpha.\n"
    "\n"
    "Options:\n"
    "  -s, --size WxH  plane size instead of the rounded-up frame size (at least the\n"
    "                  frame size)\n"
    "  -l, --level N   zlib compression level 0 to 9 (default 9)\n"
    "  -q, --quiet     print nothing on success\n"
    "  -h, --help      show this help and exit\n"
    "\n"
    "Example (colour with ffmpeg's Theora encoder, alpha with vkzalpha):\n"
    "  ffmpeg -framerate 25 -i frames/%04d.png -c:v libtheora -q:v 8 intro.ogg\n"
    "  vkzalpha frames intro.zalpha\n"
    "\n"
    "Exit status: 0 on success, 1 when an input cannot be read or an output written,\n"
    "2 on wrong usage.\n";

int Fail(const std::string& message, int status) {
    std::fprintf(stderr, "vkzalpha: error: %s\n", message.c_str());
    if (status == 2) std::fprintf(stderr, "Try 'vkzalpha --help' for more information.\n");
    return status;
}

int RoundUp16(int v) { return (v + 15) / 16 * 16; }

class Writer {
public:
    Writer(int level) : level_(level) {}
    bool Open(const std::string& path) {
        out_.open(path, std::ios::binary | std::ios::trunc);
        return static_cast<bool>(out_);
    }
    bool Frame(const std::vector<uint8_t>& plane) {
        uLongf size = compressBound(static_cast<uLong>(plane.size()));
        packed_.resize(size);
        if (compress2(packed_.data(), &size, plane.data(), static_cast<uLong>(plane.size()), level_) != Z_OK)
            return false;
        const uint8_t length[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                   static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
        out_.write(reinterpret_cast<const char*>(length), 4);
        out_.write(reinterpret_cast<const char*>(packed_.data()), static_cast<std::streamsize>(size));
        ++frames_;
        return static_cast<bool>(out_);
    }
    bool Close() {
        out_.close();
        return static_cast<bool>(out_);
    }
    int Frames() const { return frames_; }

private:
    int level_;
    std::ofstream out_;
    std::vector<uint8_t> packed_;
    int frames_ = 0;
};

int FromFrames(const std::string& folder, int width, int height, Writer& writer, std::string& size) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (entry.is_regular_file() && ext == ".png") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) return Fail("no .png frames in '" + folder + "'", 1);
    int frameWidth = 0, frameHeight = 0;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        vK_Image image;
        image.fileName = file.string();
        if (bytes.empty() || !DecodePng(bytes.data(), bytes.size(), image))
            return Fail("'" + file.string() + "' is not an 8-bit RGBA PNG", 1);
        if (frameWidth == 0) {
            frameWidth = image.width, frameHeight = image.height;
            if (width == 0) width = RoundUp16(frameWidth), height = RoundUp16(frameHeight);
            if (width < frameWidth || height < frameHeight)
                return Fail("the size " + std::to_string(width) + "x" + std::to_string(height) +
                                " is smaller than the frames",
                            2);
        } else if (image.width != frameWidth || image.height != frameHeight) {
            return Fail("'" + file.string() + "' is not " + std::to_string(frameWidth) + "x" +
                            std::to_string(frameHeight) + " like the first frame",
                        1);
        }
        std::vector<uint8_t> plane(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                plane[static_cast<size_t>(y) * width + x] =
                    image.pixels[(static_cast<size_t>(y) * image.width + x) * 4 + 3];
        if (!writer.Frame(plane)) return Fail("error while writing the output", 1);
    }
    size = std::to_string(width) + "x" + std::to_string(height);
    return 0;
}

int FromVideo(const std::string& path, int width, int height, Writer& writer, std::string& size) {
    auto stream = vK_InFileStream::Open(path);
    if (!stream) return Fail("cannot open '" + path + "' for reading: " + std::strerror(errno), 1);
    vK_TheoraDecoder decoder(stream, path);
    if (!decoder.Open()) return Fail("'" + path + "' is not an Ogg Theora video", 1);
    const int w = decoder.GetWidth(), h = decoder.GetHeight();
    if (width != 0 && (width != w || height != h))
        return Fail("the video is " + std::to_string(w) + "x" + std::to_string(h) + ", not the size asked",
                    2);
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4), plane(static_cast<size_t>(w) * h);
    while (decoder.NextFrame(true)) {
        if (!ConvertVideoFrame(decoder.Planes(), decoder.GetPixelFormat(), vK_VideoAlpha{}, bgra.data(), 0))
            return Fail("'" + path + "' has a pixel format that cannot be converted", 1);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = bgra[i * 4 + 2];
        if (!writer.Frame(plane)) return Fail("error while writing the output", 1);
    }
    if (writer.Frames() == 0) return Fail("'" + path + "' holds no frame", 1);
    size = std::to_string(w) + "x" + std::to_string(h);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool quiet = false;
    int level = 9, width = 0, height = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "-s" || arg == "--size") {
            if (++i >= argc || std::sscanf(argv[i], "%dx%d", &width, &height) != 2 || width <= 0 ||
                height <= 0 || width > vK_TheoraDecoder::kMaxSide || height > vK_TheoraDecoder::kMaxSide)
                return Fail("--size wants WIDTHxHEIGHT, each 1 to 4096", 2);
        } else if (arg == "-l" || arg == "--level") {
            if (++i >= argc || std::sscanf(argv[i], "%d", &level) != 1 || level < 0 || level > 9)
                return Fail("--level wants a number from 0 to 9", 2);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option '" + arg + "'", 2);
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) return Fail("expected an INPUT and an OUTPUT file", 2);
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(files[0], ec);
    if (!folder && !std::filesystem::is_regular_file(files[0], ec))
        return Fail("'" + files[0] + "' is neither a folder of frames nor a video file", 1);
    Writer writer(level);
    if (!writer.Open(files[1]))
        return Fail("cannot open '" + files[1] + "' for writing: " + std::strerror(errno), 1);
    std::string size;
    const int status = folder ? FromFrames(files[0], width, height, writer, size)
                              : FromVideo(files[0], width, height, writer, size);
    if (status != 0) {
        std::filesystem::remove(files[1], ec);
        return status;
    }
    if (!writer.Close()) return Fail("error while writing '" + files[1] + "'", 1);
    if (!quiet)
        std::printf("vkzalpha: wrote %d frames of %s to %s\n", writer.Frames(), size.c_str(),
                    files[1].c_str());
    return 0;
}
