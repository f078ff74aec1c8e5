// vkatlas: packs a folder of PNG images into atlas pages with their frame-texture XML.
// Run with --help for usage.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/xml_escape.h"
#include "graphics/image.h"
#include "graphics/image_codec.h"

namespace {

const char* const kUsage =
    "Usage: vkatlas [options] INPUT_DIR OUTPUT\n"
    "\n"
    "Packs every .png file of INPUT_DIR (not its subfolders) into atlas pages and writes\n"
    "the frame-texture description OUTPUT.xml with the pages OUTPUT_0.png, OUTPUT_1.png, ...\n"
    "beside it. A sprite or frame animation then names OUTPUT (without extension) as its\n"
    "resource. Frame numbers follow the file names in byte order: name the images\n"
    "00_first.png, 01_second.png, ... to fix their numbers.\n"
    "\n"
    "Each image is trimmed to the smallest rectangle that holds all of its pixels with a\n"
    "non-zero alpha; the frame's pivot (its x and y) is moved with it, so a trimmed frame\n"
    "is drawn exactly where the whole image would be. Inputs must be 8-bit RGBA PNGs\n"
    "(the engine loads no other kind); convert others with: convert IN.png PNG32:OUT.png\n"
    "\n"
    "Options:\n"
    "  -m, --max-size N  largest page width and height in pixels (default 2048)\n"
    "  -p, --padding N   transparent pixels between frames on a page (default 2)\n"
    "  -c, --pivot X,Y   the pivot in pixels of every input image (default: its centre,\n"
    "                    where a plain image is drawn around the object's origin)\n"
    "  -n, --no-trim     keep every image whole\n"
    "      --pot         round page sizes up to powers of two\n"
    "  -q, --quiet       print nothing on success\n"
    "  -h, --help        show this help and exit\n"
    "\n"
    "The same input always gives the same bytes.\n"
    "\n"
    "Example:\n"
    "  vkatlas art/items assets/images/items\n"
    "\n"
    "Exit status: 0 on success, 1 when an input cannot be read, an image does not fit a\n"
    "page or an output cannot be written, 2 on wrong usage.\n";

int Fail(const std::string& message, int status) {
    std::fprintf(stderr, "vkatlas: error: %s\n", message.c_str());
    if (status == 2) std::fprintf(stderr, "Try 'vkatlas --help' for more information.\n");
    return status;
}

struct Options {
    int maxSize = 2048;
    int padding = 2;
    bool trim = true;
    bool pot = false;
    bool quiet = false;
    bool pivotSet = false;
    int pivotX = 0, pivotY = 0;
    std::string input, output;
};

// One input image and where it went.
struct Frame {
    std::string name;  // file name without ".png"
    vK_Image image;
    int trimLeft = 0, trimTop = 0, width = 0, height = 0;  // the kept rectangle of the image
    int page = -1, left = 0, top = 0;                      // its place on a page
};

// The rectangle of pixels with non-zero alpha; a wholly transparent image keeps its
// top-left pixel so that the frame still has a size.
void Trim(Frame& f, bool trim) {
    const vK_Image& im = f.image;
    int x0 = im.width, y0 = im.height, x1 = -1, y1 = -1;
    for (int y = 0; trim && y < im.height; ++y)
        for (int x = 0; x < im.width; ++x)
            if (im.pixels[(static_cast<size_t>(y) * im.width + x) * 4 + 3] != 0) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    if (!trim) x0 = 0, y0 = 0, x1 = im.width - 1, y1 = im.height - 1;
    if (x1 < 0) x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    f.trimLeft = x0, f.trimTop = y0, f.width = x1 - x0 + 1, f.height = y1 - y0 + 1;
}

// Bottom-left skyline packing of one page: the skyline is a list of segments, each the
// height of the used area over [x, x + width).
class Page {
public:
    Page(int width, int height) : width_(width), height_(height) { skyline_.push_back({0, 0, width}); }

    // Places a w x h rectangle at the lowest (then leftmost) spot; false when none fits.
    bool Place(int w, int h, int& outX, int& outY) {
        int bestY = height_ + 1, bestX = 0;
        size_t best = skyline_.size();
        for (size_t i = 0; i < skyline_.size(); ++i) {
            const int x = skyline_[i].x;
            if (x + w > width_) break;
            int y = 0;
            for (size_t j = i; j < skyline_.size() && skyline_[j].x < x + w; ++j)
                y = std::max(y, skyline_[j].y);
            if (y + h <= height_ && y < bestY) bestY = y, bestX = x, best = i;
        }
        if (best == skyline_.size()) return false;
        Raise(bestX, bestY + h, w);
        outX = bestX, outY = bestY;
        return true;
    }

private:
    struct Segment {
        int x, y, width;
    };
    // Sets the skyline over [x, x + w) to y.
    void Raise(int x, int y, int w) {
        std::vector<Segment> next;
        bool inserted = false;
        for (const Segment& s : skyline_) {
            const int end = s.x + s.width;
            if (s.x < x) next.push_back({s.x, s.y, std::min(end, x) - s.x});
            if (!inserted && end > x) {
                next.push_back({x, y, w});
                inserted = true;
            }
            if (end > x + w) {
                const int start = std::max(s.x, x + w);
                next.push_back({start, s.y, end - start});
            }
        }
        // Neighbours of one height become one segment.
        skyline_.clear();
        for (const Segment& s : next) {
            if (!skyline_.empty() && skyline_.back().y == s.y) {
                skyline_.back().width += s.width;
            } else {
                skyline_.push_back(s);
            }
        }
    }

    int width_, height_;
    std::vector<Segment> skyline_;
};

int NextPowerOfTwo(int v) {
    int p = 1;
    while (p < v) p *= 2;
    return p;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool ParseInt(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!end || end == text || *end || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

// 0: go on; 1: stop with success (--help); 2: wrong usage (already reported).
int ParseOptions(int argc, char** argv, Options& o) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 1;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "-n" || arg == "--no-trim") {
            o.trim = false;
        } else if (arg == "--pot") {
            o.pot = true;
        } else if (arg == "-m" || arg == "--max-size") {
            if (!more || !ParseInt(argv[++i], 1, kMaxImageSide, o.maxSize))
                return Fail("--max-size wants a number from 1 to " + std::to_string(kMaxImageSide), 2);
        } else if (arg == "-p" || arg == "--padding") {
            if (!more || !ParseInt(argv[++i], 0, 256, o.padding))
                return Fail("--padding wants a number from 0 to 256", 2);
        } else if (arg == "-c" || arg == "--pivot") {
            if (!more || std::sscanf(argv[++i], "%d,%d", &o.pivotX, &o.pivotY) != 2)
                return Fail("--pivot wants X,Y in pixels", 2);
            o.pivotSet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option " + arg, 2);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return Fail("wants an input folder and an output name", 2);
    o.input = positional[0];
    o.output = positional[1];
    if (o.output.size() > 4 && o.output.compare(o.output.size() - 4, 4, ".xml") == 0)
        o.output.resize(o.output.size() - 4);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int parsed = ParseOptions(argc, argv, o); parsed != 0) return parsed == 1 ? 0 : 2;

    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(o.input, ec)) return Fail(o.input + " is not a folder", 1);
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(o.input, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
            files.push_back(name);
    }
    if (ec) return Fail("can not list " + o.input + ": " + ec.message(), 1);
    if (files.empty()) return Fail(o.input + " holds no .png files", 1);
    std::sort(files.begin(), files.end());

    std::vector<Frame> frames(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        Frame& f = frames[i];
        const std::string path = (fs::path(o.input) / files[i]).string();
        f.name = files[i].substr(0, files[i].size() - 4);
        std::vector<uint8_t> bytes;
        if (!ReadFile(path, bytes)) return Fail("can not read " + path, 1);
        f.image.fileName = path;
        if (!DecodePng(bytes.data(), bytes.size(), f.image))
            return Fail(
                path + " is not an 8-bit RGBA PNG; convert it with: convert " + path + " PNG32:" + path, 1);
        Trim(f, o.trim);
        if (f.width > o.maxSize || f.height > o.maxSize)
            return Fail(path + " needs " + std::to_string(f.width) + " x " + std::to_string(f.height) +
                            " pixels, more than a page of " + std::to_string(o.maxSize) + " allows",
                        1);
    }

    // Tallest first, then widest, then in frame order: a fixed order gives fixed bytes.
    std::vector<size_t> order(frames.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (frames[a].height != frames[b].height) return frames[a].height > frames[b].height;
        return frames[a].width > frames[b].width;
    });
    // The padding follows each frame; the page edge needs none after the last one.
    std::vector<Page> pages;
    for (size_t index : order) {
        Frame& f = frames[index];
        const int w = f.width + o.padding, h = f.height + o.padding;
        for (size_t p = 0; p <= pages.size() && f.page < 0; ++p) {
            if (p == pages.size()) pages.emplace_back(o.maxSize + o.padding, o.maxSize + o.padding);
            if (pages[p].Place(w, h, f.left, f.top)) f.page = static_cast<int>(p);
        }
    }

    const fs::path out(o.output);
    const std::string base = out.filename().string();
    if (out.has_parent_path()) fs::create_directories(out.parent_path(), ec);
    for (size_t p = 0; p < pages.size(); ++p) {
        int width = 1, height = 1;
        for (const Frame& f : frames)
            if (f.page == static_cast<int>(p))
                width = std::max(width, f.left + f.width), height = std::max(height, f.top + f.height);
        if (o.pot) width = NextPowerOfTwo(width), height = NextPowerOfTwo(height);
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0);
        for (const Frame& f : frames) {
            if (f.page != static_cast<int>(p)) continue;
            for (int y = 0; y < f.height; ++y)
                std::memcpy(
                    &pixels[(static_cast<size_t>(f.top + y) * width + f.left) * 4],
                    &f.image.pixels[(static_cast<size_t>(f.trimTop + y) * f.image.width + f.trimLeft) * 4],
                    static_cast<size_t>(f.width) * 4);
        }
        std::vector<uint8_t> png;
        const std::string path = o.output + "_" + std::to_string(p) + ".png";
        if (!EncodePng(pixels.data(), width, height, png) || !WriteFile(path, png.data(), png.size()))
            return Fail("can not write " + path, 1);
    }

    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<frametexture>\n";
    for (const Frame& f : frames) {
        const int px = o.pivotSet ? o.pivotX : f.image.width / 2,
                  py = o.pivotSet ? o.pivotY : f.image.height / 2;
        xml += "  <frame texture=\"" + EscapeXml(base + "_" + std::to_string(f.page)) + "\" left=\"" +
               std::to_string(f.left) + "\" top=\"" + std::to_string(f.top) + "\" widht=\"" +
               std::to_string(f.width) + "\" height=\"" + std::to_string(f.height) + "\" x=\"" +
               std::to_string(px - f.trimLeft) + "\" y=\"" + std::to_string(py - f.trimTop) + "\" image=\"" +
               EscapeXml(f.name) + "\"/>\n";
    }
    xml += "</frametexture>\n";
    if (!WriteFile(o.output + ".xml", xml.data(), xml.size()))
        return Fail("can not write " + o.output + ".xml", 1);
    if (!o.quiet)
        std::printf("vkatlas: %zu images on %zu page%s: %s.xml\n", frames.size(), pages.size(),
                    pages.size() == 1 ? "" : "s", o.output.c_str());
    return 0;
}
