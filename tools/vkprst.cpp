// vkprst: builds a random-emitter particle preset (".prst") from its ".xml" description,
// and dumps a ".prst" back to XML. Run with --help for usage.
#include <tinyxml2.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "particles/part_sys_impl_rnd.h"
#include "particles/prst_format.h"
#include "tool_files.h"

namespace {

const char* const kUsage =
    "Usage: vkprst [options] INPUT OUTPUT\n"
    "\n"
    "Converts a random-emitter particle preset between its two forms. The direction\n"
    "follows INPUT's extension:\n"
    "  INPUT.xml   an XML preset whose root is <ps type=\"rnd\">; OUTPUT receives the\n"
    "              binary .prst the engine loads first\n"
    "  INPUT.prst  a binary preset; OUTPUT receives its XML description\n"
    "\n"
    "Binary presets carry no emitter names: emitters keep their \"id\" (their position\n"
    "when they have none), links refer to ids, and texture names are stored in the\n"
    "preset's resource table.\n"
    "\n"
    "Options:\n"
    "  -q, --quiet    print nothing on success\n"
    "  -h, --help     show this help and exit\n"
    "\n"
    "Example:\n"
    "  vkprst sparkle.xml assets/particles/sparkle.prst\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read, written or is not a\n"
    "valid preset, 2 on wrong usage.\n";

int XmlToPrst(const std::string& input, const std::vector<uint8_t>& bytes, std::vector<uint8_t>& out) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != tinyxml2::XML_SUCCESS) {
        std::fprintf(stderr, "vkprst: %s:%d: %s\n", input.c_str(), doc.ErrorLineNum(), doc.ErrorStr());
        return 1;
    }
    const tinyxml2::XMLElement* root = doc.FirstChildElement("ps");
    if (!root) {
        std::fprintf(stderr, "vkprst: %s: the root element is not <ps>\n", input.c_str());
        return 1;
    }
    const char* type = root->Attribute("type");
    if (!type || std::strcmp(type, "rnd") != 0) {
        std::fprintf(stderr, "vkprst: %s:%d: <ps> has type \"%s\"; only \"rnd\" presets have a binary form\n",
                     input.c_str(), root->GetLineNum(), type ? type : "");
        return 1;
    }
    if (!root->FirstChildElement("emit")) {
        std::fprintf(stderr, "vkprst: %s:%d: <ps> has no <emit> element\n", input.c_str(),
                     root->GetLineNum());
        return 1;
    }
    vK_PartSysImpl_Rnd preset(true);
    preset.LoadXml(*root);
    std::string error;
    if (!WritePrst(preset, out, error)) {
        std::fprintf(stderr, "vkprst: %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

int PrstToXml(const std::string& input, std::vector<uint8_t> bytes, std::string& out) {
    const size_t size = bytes.size();
    auto owned = std::make_unique<vK_ByteBuffer>();
    vK_ByteBuffer* buffer = owned.get();
    buffer->Assign(std::move(bytes));
    vK_ByteReader reader(std::move(owned));
    std::string kind;
    if (!reader.ReadOptionalString(kind)) {
        std::fprintf(stderr, "vkprst: %s: no preset header (context byte, marker, kind) at byte offset 0\n",
                     input.c_str());
        return 1;
    }
    if (kind != vK_PrstWire::kKind) {
        std::fprintf(stderr, "vkprst: %s: the preset kind is \"%s\", not \"rnd\"\n", input.c_str(),
                     kind.c_str());
        return 1;
    }
    vK_PartSysImpl_Rnd preset(true);
    if (!preset.LoadBinary(reader)) {
        std::fprintf(stderr, "vkprst: %s: damaged preset: reading stopped at byte offset %zu of %zu\n",
                     input.c_str(), buffer->Position(), size);
        return 1;
    }
    out = WritePresetXml(preset);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool quiet = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "vkprst: unknown option %s\n\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "vkprst: expected INPUT and OUTPUT\n\n%s", kUsage);
        return 2;
    }
    const std::string& input = files[0];
    const std::string& output = files[1];
    const bool from_xml = EndsWith(input, ".xml");
    if (!from_xml && !EndsWith(input, ".prst")) {
        std::fprintf(stderr, "vkprst: %s: INPUT must end in .xml or .prst\n", input.c_str());
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!ReadAll(input, bytes)) {
        std::fprintf(stderr, "vkprst: %s: %s\n", input.c_str(), std::strerror(errno));
        return 1;
    }
    int status = 0;
    bool written = false;
    if (from_xml) {
        std::vector<uint8_t> prst;
        status = XmlToPrst(input, bytes, prst);
        if (status == 0) written = WriteAll(output, prst.data(), prst.size());
    } else {
        std::string xml;
        status = PrstToXml(input, std::move(bytes), xml);
        if (status == 0) written = WriteAll(output, xml.data(), xml.size());
    }
    if (status != 0) return status;
    if (!written) {
        std::fprintf(stderr, "vkprst: %s: can not write\n", output.c_str());
        return 1;
    }
    if (!quiet) std::printf("vkprst: wrote %s\n", output.c_str());
    return 0;
}
