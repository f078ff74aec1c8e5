// vkanm: converts a complex animation between its ".xml" description and the binary
// ".anm" form the engine loads first, and prints a readable dump of either. Run with
// --help for usage.
#include <tinyxml2.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "anim/complex_anim_res.h"
#include "anim/complex_anim_writer.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "tool_files.h"

namespace {

const char* const kUsage =
    "Usage: vkanm [options] INPUT OUTPUT\n"
    "       vkanm --dump INPUT\n"
    "\n"
    "Converts a complex animation between its two forms. The direction follows\n"
    "INPUT's extension:\n"
    "  INPUT.xml   an XML description whose root is <animation type=\"complex\">;\n"
    "              OUTPUT receives the binary .anm\n"
    "  INPUT.anm   a binary animation; OUTPUT receives its XML description\n"
    "\n"
    "The binary form keeps no object names: functions refer to objects by index, and\n"
    "XML written from it names unnamed objects \"obj\" + index. Texture and font names\n"
    "go into the file's resource group and font table.\n"
    "\n"
    "Options:\n"
    "  -d, --dump     print a readable listing of INPUT (either form) and exit\n"
    "  -q, --quiet    print nothing on success\n"
    "  -h, --help     show this help and exit\n"
    "\n"
    "Examples:\n"
    "  vkanm bird.xml assets/anims/bird.anm\n"
    "  vkanm --dump assets/anims/bird.anm\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read, written or is not a\n"
    "valid complex animation (binary errors name the byte offset), 2 on wrong usage.\n";

bool LoadXml(const std::string& input, const std::vector<uint8_t>& bytes, vK_ComplexAnimRes& res) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != tinyxml2::XML_SUCCESS) {
        std::fprintf(stderr, "vkanm: %s:%d: %s\n", input.c_str(), doc.ErrorLineNum(), doc.ErrorStr());
        return false;
    }
    const tinyxml2::XMLElement* root = doc.FirstChildElement("animation");
    if (!root) {
        std::fprintf(stderr, "vkanm: %s: the root element is not <animation>\n", input.c_str());
        return false;
    }
    const char* type = root->Attribute("type");
    if (!type || std::strcmp(type, "complex") != 0) {
        std::fprintf(
            stderr,
            "vkanm: %s:%d: <animation> has type \"%s\"; only \"complex\" animations have a binary form\n",
            input.c_str(), root->GetLineNum(), type ? type : "");
        return false;
    }
    res.ParseXml(doc);
    return true;
}

bool LoadAnm(const std::string& input, std::vector<uint8_t> bytes, vK_ComplexAnimRes& res) {
    const size_t size = bytes.size();
    auto owned = std::make_unique<vK_ByteBuffer>();
    vK_ByteBuffer* buffer = owned.get();
    buffer->Assign(std::move(bytes));
    vK_ByteReader reader(std::move(owned));
    std::string kind;
    if (!ReadContentKind(reader, kind)) {
        std::fprintf(stderr, "vkanm: %s: no animation header (context byte, marker, kind) at byte offset 0\n",
                     input.c_str());
        return false;
    }
    if (kind != vK_AnmWire::kKind) {
        std::fprintf(stderr, "vkanm: %s: the content kind is \"%s\", not \"complex\"\n", input.c_str(),
                     kind.c_str());
        return false;
    }
    if (!res.ReadBinary(reader)) {
        std::fprintf(stderr, "vkanm: %s: damaged animation: reading stopped at byte offset %zu of %zu\n",
                     input.c_str(), buffer->Position(), size);
        return false;
    }
    return true;
}

bool Load(const std::string& input, vK_ComplexAnimRes& res) {
    std::vector<uint8_t> bytes;
    if (!ReadAll(input, bytes)) {
        std::fprintf(stderr, "vkanm: cannot read %s: %s\n", input.c_str(), std::strerror(errno));
        return false;
    }
    if (EndsWith(input, ".xml")) return LoadXml(input, bytes, res);
    return LoadAnm(input, std::move(bytes), res);
}

}  // namespace

int main(int argc, char** argv) {
    bool quiet = false, dump = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "-d" || arg == "--dump") {
            dump = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "vkanm: unknown option %s\n\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != (dump ? 1u : 2u)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& input = files[0];
    if (!EndsWith(input, ".xml") && !EndsWith(input, ".anm")) {
        std::fprintf(stderr, "vkanm: %s: the input must end in .xml or .anm\n", input.c_str());
        return 2;
    }
    vK_ComplexAnimRes res;
    if (!Load(input, res)) return 1;
    if (dump) {
        std::fputs(DumpComplexAnim(res).c_str(), stdout);
        return 0;
    }
    const std::string& output = files[1];
    bool written = false;
    if (EndsWith(input, ".xml")) {
        std::vector<uint8_t> out;
        std::string error;
        if (!WriteAnm(res, out, error)) {
            std::fprintf(stderr, "vkanm: %s: %s\n", input.c_str(), error.c_str());
            return 1;
        }
        written = WriteAll(output, out.data(), out.size());
    } else {
        const std::string xml = WriteComplexAnimXml(res);
        written = WriteAll(output, xml.data(), xml.size());
    }
    if (!written) {
        std::fprintf(stderr, "vkanm: cannot write %s: %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    if (!quiet) std::printf("vkanm: %s -> %s\n", input.c_str(), output.c_str());
    return 0;
}
