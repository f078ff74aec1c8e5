// vkfont: converts a TrueType/OpenType font file into the engine's scrambled ".vkfnt"
// format, and back. Run with --help for usage.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/font.h"
#include "graphics/font_scrambler.h"
#include "graphics/glyph_rasterizer.h"

namespace {

const char* const kUsage =
    "Usage: vkfont [options] INPUT OUTPUT\n"
    "\n"
    "Converts a TrueType or OpenType font file (INPUT) into a scrambled .vkfnt file\n"
    "(OUTPUT) that the engine's fonts load.\n"
    "\n"
    "A font named N (its path under assets/, without extension) is made of up to four\n"
    "files, one per style:\n"
    "  N.vkfnt     regular        N_b.vkfnt   bold\n"
    "  N_i.vkfnt   italic         N_bi.vkfnt  bold italic\n"
    "At least one of them must exist; text in a missing style is not drawn.\n"
    "\n"
    "Options:\n"
    "  -d, --decode   the other way round: INPUT is a .vkfnt file, OUTPUT receives the\n"
    "                 plain font file\n"
    "  -n, --no-check do not check that the font can be opened\n"
    "  -q, --quiet    print nothing on success\n"
    "  -h, --help     show this help and exit\n"
    "\n"
    "Example:\n"
    "  vkfont /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf assets/fonts/sans_b.vkfnt\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read, written or is not a\n"
    "usable font, 2 on wrong usage.\n";

bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "' for reading: " + std::strerror(errno);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "error while reading '" + path + "'";
        return false;
    }
    return true;
}

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot open '" + path + "' for writing: " + std::strerror(errno);
        return false;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "error while writing '" + path + "'";
        return false;
    }
    return true;
}

// Opens the plain font bytes with FreeType, as the engine will.
bool CheckFont(const std::vector<uint8_t>& plain, std::string& error) {
    vK_GlyphRasterizer rasterizer;
    if (!rasterizer.IsValid()) {
        error = "the FreeType library could not be initialised";
        return false;
    }
    vK_Font font;
    if (!font.AddFace(0, plain)) {
        error = "not a TrueType/OpenType font that FreeType can open";
        return false;
    }
    return true;
}

int Fail(const std::string& message, int status) {
    std::fprintf(stderr, "vkfont: error: %s\n", message.c_str());
    if (status == 2) std::fprintf(stderr, "Try 'vkfont --help' for more information.\n");
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    bool decode = false;
    bool check = true;
    bool quiet = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-d" || arg == "--decode") {
            decode = true;
        } else if (arg == "-n" || arg == "--no-check") {
            check = false;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "--") {
            for (++i; i < argc; ++i) files.emplace_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option '" + arg + "'", 2);
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) return Fail("expected an INPUT and an OUTPUT file", 2);
    const std::string& input = files[0];
    const std::string& output = files[1];

    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWhole(input, bytes, error)) return Fail(error, 1);
    if (bytes.empty()) return Fail("'" + input + "' is empty", 1);

    const std::vector<uint8_t> plain =
        decode ? vK_FontScrambler::Descramble(bytes.data(), bytes.size()) : bytes;
    if (check && !CheckFont(plain, error)) {
        return Fail("'" + input + "' is " + (decode ? "not a .vkfnt font file: " : "") + error, 1);
    }
    const std::vector<uint8_t> result =
        decode ? plain : vK_FontScrambler::Scramble(bytes.data(), bytes.size());
    if (!decode && vK_FontScrambler::Descramble(result.data(), result.size()) != bytes) {
        return Fail("internal error: the scrambled data does not read back", 1);
    }
    if (!WriteWhole(output, result, error)) return Fail(error, 1);
    if (!quiet) {
        std::printf("vkfont: wrote '%s' (%zu bytes) from '%s'\n", output.c_str(), result.size(),
                    input.c_str());
        const bool named = output.size() >= 6 && output.compare(output.size() - 6, 6, ".vkfnt") == 0;
        if (!decode && !named) {
            std::printf(
                "vkfont: note: the engine looks for fonts named N.vkfnt, N_b.vkfnt, N_i.vkfnt, N_bi.vkfnt\n");
        }
    }
    return 0;
}
