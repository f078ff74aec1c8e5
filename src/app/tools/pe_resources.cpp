#include "app/tools/pe_resources.h"

#include <algorithm>
#include <cstring>

#include "data/utf8.h"
#include "graphics/image.h"
#include "graphics/image_codec.h"

namespace {

// ---- little-endian bytes ----

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

void Append16(std::vector<uint8_t>& out, uint32_t value) {
    out.resize(out.size() + 2);
    Put16(out, out.size() - 2, value);
}

void Append32(std::vector<uint8_t>& out, uint32_t value) {
    out.resize(out.size() + 4);
    Put32(out, out.size() - 4, value);
}

void PadTo(std::vector<uint8_t>& out, size_t alignment) {
    out.resize((out.size() + alignment - 1) / alignment * alignment, 0);
}

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// Reads within the bytes only: any field beyond the end is a failure, not a read.
struct Bytes {
    const std::vector<uint8_t>& data;
    bool Has(uint64_t at, uint64_t length) const { return at <= data.size() && length <= data.size() - at; }
    uint32_t U16(size_t at) const { return data[at] | (data[at + 1] << 8); }
    uint32_t U32(size_t at) const { return U16(at) | (U16(at + 2) << 16); }
};

// ---- icons ----

// Scales the B, G, R, A image to side x side, centred, by averaging the source pixels
// each target pixel covers (colours weighted by alpha, so transparent edges do not darken).
std::vector<uint8_t> ScaleToSquare(const vK_Image& image, int side) {
    const double scale = static_cast<double>(std::max(image.width, image.height)) / side;
    const double offsetX = (side - image.width / scale) / 2;
    const double offsetY = (side - image.height / scale) / 2;
    std::vector<uint8_t> out(static_cast<size_t>(side) * side * 4, 0);
    for (int y = 0; y < side; ++y) {
        const int y0 = std::max(0, static_cast<int>((y - offsetY) * scale));
        const int y1 = std::min(image.height, std::max(y0 + 1, static_cast<int>((y + 1 - offsetY) * scale)));
        for (int x = 0; x < side; ++x) {
            const int x0 = std::max(0, static_cast<int>((x - offsetX) * scale));
            const int x1 =
                std::min(image.width, std::max(x0 + 1, static_cast<int>((x + 1 - offsetX) * scale)));
            if (x + 0.5 < offsetX || x + 0.5 > side - offsetX || y + 0.5 < offsetY ||
                y + 0.5 > side - offsetY)
                continue;
            double sum[4] = {0, 0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const uint8_t* p = &image.pixels[(static_cast<size_t>(sy) * image.width + sx) * 4];
                    for (int c = 0; c < 3; ++c) sum[c] += p[c] * p[3];
                    sum[3] += p[3];
                }
            }
            const double count = static_cast<double>(y1 - y0) * (x1 - x0);
            if (count <= 0 || sum[3] <= 0) continue;
            uint8_t* q = &out[(static_cast<size_t>(y) * side + x) * 4];
            for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(sum[c] / sum[3] + 0.5);
            q[3] = static_cast<uint8_t>(sum[3] / count + 0.5);
        }
    }
    return out;
}

bool IconsFrom(const std::vector<uint8_t>& png, std::vector<vK_PeIcon>& icons) {
    vK_Image image;
    image.fileName = "assets/icon.png";
    if (png.empty() || !DecodePng(png.data(), png.size(), image) || image.width <= 0 || image.height <= 0)
        return false;
    for (int side : {256, 48, 32, 16}) {
        vK_PeIcon icon{side, {}};
        const std::vector<uint8_t> pixels = ScaleToSquare(image, side);
        if (!EncodePng(pixels.data(), side, side, icon.png)) return false;
        icons.push_back(std::move(icon));
    }
    return true;
}

// ---- resource data ----

std::u16string Utf16(const std::string& text) {
    std::u16string out;
    for (size_t pos = 0; pos < text.size();) {
        const uint32_t code = static_cast<uint32_t>(DecodeUtf8Step(text, pos));
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

void AppendText(std::vector<uint8_t>& out, const std::u16string& text) {
    for (char16_t c : text) Append16(out, c);
    Append16(out, 0);
}

// One block of a VS_VERSIONINFO tree: length, value length, type (1 text, 0 binary), the
// key, the value and the children, each aligned to 4 bytes.
std::vector<uint8_t> VersionBlock(const char16_t* key, const std::vector<uint8_t>& value,
                                  uint32_t valueLength, bool text,
                                  const std::vector<std::vector<uint8_t>>& children) {
    std::vector<uint8_t> out(6, 0);
    Put16(out, 2, valueLength);
    Put16(out, 4, text ? 1 : 0);
    AppendText(out, key);
    PadTo(out, 4);
    out.insert(out.end(), value.begin(), value.end());
    for (const std::vector<uint8_t>& child : children) {
        PadTo(out, 4);
        out.insert(out.end(), child.begin(), child.end());
    }
    Put16(out, 0, static_cast<uint32_t>(out.size()));
    return out;
}

std::vector<uint8_t> VersionString(const char16_t* key, const std::string& value) {
    std::vector<uint8_t> bytes;
    const std::u16string wide = Utf16(value);
    AppendText(bytes, wide);
    return VersionBlock(key, bytes, static_cast<uint32_t>(wide.size() + 1), true, {});
}

// "a.b.c.d" as the two 32-bit halves of a fixed version; missing parts are 0.
void VersionNumbers(const std::string& text, uint32_t& high, uint32_t& low) {
    uint32_t parts[4] = {0, 0, 0, 0};
    size_t part = 0;
    for (char c : text) {
        if (c == '.' && ++part >= 4) break;
        if (c >= '0' && c <= '9') parts[part] = std::min<uint32_t>(parts[part] * 10 + (c - '0'), 0xFFFF);
    }
    high = parts[0] << 16 | parts[1];
    low = parts[2] << 16 | parts[3];
}

std::vector<uint8_t> VersionInfo(const vK_PeResources& res) {
    uint32_t high = 0, low = 0;
    VersionNumbers(res.version, high, low);
    std::vector<uint8_t> fixed;
    for (uint32_t value :
         {0xFEEF04BDu, 0x00010000u, high, low, high, low, 0x3Fu, 0u, 0x00040004u, 1u, 0u, 0u, 0u})
        Append32(fixed, value);
    std::vector<std::vector<uint8_t>> strings;
    if (!res.company.empty()) strings.push_back(VersionString(u"CompanyName", res.company));
    strings.push_back(VersionString(u"FileDescription", res.title));
    strings.push_back(VersionString(u"FileVersion", res.version));
    strings.push_back(VersionString(u"InternalName", res.internalName));
    strings.push_back(VersionString(u"OriginalFilename", res.fileName));
    strings.push_back(VersionString(u"ProductName", res.title));
    strings.push_back(VersionString(u"ProductVersion", res.version));
    // en-US, UTF-16 (code page 1200).
    const std::vector<uint8_t> table = VersionBlock(u"040904B0", {}, 0, true, strings);
    const std::vector<uint8_t> stringInfo = VersionBlock(u"StringFileInfo", {}, 0, true, {table});
    const std::vector<uint8_t> translation =
        VersionBlock(u"Translation", {0x09, 0x04, 0xB0, 0x04}, 4, false, {});
    const std::vector<uint8_t> varInfo = VersionBlock(u"VarFileInfo", {}, 0, true, {translation});
    return VersionBlock(u"VS_VERSION_INFO", fixed, static_cast<uint32_t>(fixed.size()), false,
                        {stringInfo, varInfo});
}

// GRPICONDIR: the entries of the group, each naming its RT_ICON by id (1, 2, ...).
std::vector<uint8_t> IconGroup(const std::vector<vK_PeIcon>& icons) {
    std::vector<uint8_t> out;
    Append16(out, 0);
    Append16(out, 1);
    Append16(out, static_cast<uint32_t>(icons.size()));
    for (size_t i = 0; i < icons.size(); ++i) {
        const uint8_t side = static_cast<uint8_t>(icons[i].side >= 256 ? 0 : icons[i].side);
        out.insert(out.end(), {side, side, 0, 0});
        Append16(out, 1);   // planes
        Append16(out, 32);  // bits per pixel
        Append32(out, static_cast<uint32_t>(icons[i].png.size()));
        Append16(out, static_cast<uint32_t>(i + 1));
    }
    return out;
}

struct Leaf {
    uint32_t type;
    uint32_t id;
    std::vector<uint8_t> bytes;
};

constexpr uint32_t kRtIcon = 3;
constexpr uint32_t kRtGroupIcon = 14;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kLanguage = 0x0409;
constexpr uint32_t kSubdirectory = 0x80000000u;

// A resource directory header with no named and count numbered entries.
void AppendDirectory(std::vector<uint8_t>& out, size_t count) {
    for (int i = 0; i < 3; ++i) Append32(out, 0);
    Append16(out, 0);
    Append16(out, static_cast<uint32_t>(count));
}

}  // namespace

std::vector<vK_PeIcon> MakeIconSet(const std::vector<uint8_t>& png, const std::vector<uint8_t>& fallback,
                                   std::string& warning) {
    std::vector<vK_PeIcon> icons;
    if (IconsFrom(png, icons)) return icons;
    icons.clear();
    if (!png.empty()) warning = "the icon is not an 8-bit RGBA PNG; the default icon is used";
    IconsFrom(fallback, icons);
    return icons;
}

// Layout: the root (one entry per type), a directory per type (one entry per id), a
// language directory per resource, the data entries, then the data, 8-byte aligned.
std::vector<uint8_t> BuildResourceSection(const vK_PeResources& resources, uint32_t rva) {
    std::vector<Leaf> leaves;
    for (size_t i = 0; i < resources.icons.size(); ++i)
        leaves.push_back({kRtIcon, static_cast<uint32_t>(i + 1), resources.icons[i].png});
    if (!resources.icons.empty()) leaves.push_back({kRtGroupIcon, 1, IconGroup(resources.icons)});
    leaves.push_back({kRtVersion, 1, VersionInfo(resources)});

    std::vector<uint32_t> types;
    for (const Leaf& leaf : leaves)
        if (types.empty() || types.back() != leaf.type) types.push_back(leaf.type);
    const size_t typeDirs = 16 + 8 * types.size();
    const size_t languageDirs = typeDirs + 16 * types.size() + 8 * leaves.size();
    const size_t dataEntries = languageDirs + 24 * leaves.size();
    size_t data = AlignUp(dataEntries + 16 * leaves.size(), 8);

    std::vector<uint8_t> out;
    AppendDirectory(out, types.size());
    size_t typeDir = typeDirs;
    for (uint32_t type : types) {
        Append32(out, type);
        Append32(out, kSubdirectory | static_cast<uint32_t>(typeDir));
        typeDir += 16 + 8 * std::count_if(leaves.begin(), leaves.end(),
                                          [&](const Leaf& l) { return l.type == type; });
    }
    size_t leafIndex = 0;
    for (uint32_t type : types) {
        const size_t count =
            std::count_if(leaves.begin(), leaves.end(), [&](const Leaf& l) { return l.type == type; });
        AppendDirectory(out, count);
        for (size_t i = 0; i < count; ++i, ++leafIndex) {
            Append32(out, leaves[leafIndex].id);
            Append32(out, kSubdirectory | static_cast<uint32_t>(languageDirs + 24 * leafIndex));
        }
    }
    for (size_t i = 0; i < leaves.size(); ++i) {
        AppendDirectory(out, 1);
        Append32(out, kLanguage);
        Append32(out, static_cast<uint32_t>(dataEntries + 16 * i));
    }
    for (const Leaf& leaf : leaves) {
        Append32(out, rva + static_cast<uint32_t>(data));
        Append32(out, static_cast<uint32_t>(leaf.bytes.size()));
        Append32(out, 0);
        Append32(out, 0);
        data = AlignUp(data + leaf.bytes.size(), 8);
    }
    for (const Leaf& leaf : leaves) {
        PadTo(out, 8);
        out.insert(out.end(), leaf.bytes.begin(), leaf.bytes.end());
    }
    return out;
}

namespace {

// The fields of a PE32+ image the writer reads and changes, as offsets into the file.
struct PeLayout {
    size_t coff = 0;          // the COFF header, after "PE\0\0"
    size_t optional = 0;      // the optional header
    size_t sectionTable = 0;  // the first section header
    uint32_t sections = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t headersSize = 0;
    uint64_t imageEnd = 0;     // the end of the highest section in memory
    uint64_t firstRaw = 0;     // the lowest file offset of any section's data
    uint64_t rawEnd = 0;       // the end of the headers and of the sections' data in the file
    int resourceSection = -1;  // the section holding the resource directory, if any
};

constexpr size_t kSectionHeader = 40;
constexpr size_t kDirectories = 112;  // the data directories in a PE32+ optional header
constexpr size_t kResourceDirectory = kDirectories + 2 * 8;
constexpr size_t kSecurityDirectory = kDirectories + 4 * 8;

bool PowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool ReadHeaders(const Bytes& in, PeLayout& pe, std::string& error) {
    if (!in.Has(0, 0x40) || in.data[0] != 'M' || in.data[1] != 'Z') {
        error = "not a Windows executable (no MZ header)";
        return false;
    }
    pe.coff = in.U32(0x3C) + size_t{4};
    if (!in.Has(pe.coff - 4, 24) || std::memcmp(&in.data[pe.coff - 4], "PE\0\0", 4) != 0) {
        error = "not a Windows executable (no PE header)";
        return false;
    }
    const uint32_t optionalSize = in.U16(pe.coff + 16);
    pe.optional = pe.coff + 20;
    if (in.U16(pe.coff) != 0x8664 || optionalSize < kSecurityDirectory + 8 ||
        !in.Has(pe.optional, optionalSize) || in.U16(pe.optional) != 0x20B) {
        error = "not a 64-bit (x86-64, PE32+) Windows executable";
        return false;
    }
    if (in.U32(pe.optional + 108) < 5) {
        error = "the executable's header has no resource directory entry";
        return false;
    }
    if (in.U32(pe.optional + kSecurityDirectory + 4) != 0) {
        error = "the executable is signed; sign it again after the export, not before";
        return false;
    }
    pe.sections = in.U16(pe.coff + 2);
    pe.sectionTable = pe.optional + optionalSize;
    pe.sectionAlignment = in.U32(pe.optional + 32);
    pe.fileAlignment = in.U32(pe.optional + 36);
    pe.headersSize = in.U32(pe.optional + 60);
    if (!PowerOfTwo(pe.fileAlignment) || pe.fileAlignment < 512 || pe.fileAlignment > 65536 ||
        !PowerOfTwo(pe.sectionAlignment) || pe.sectionAlignment < pe.fileAlignment) {
        error = "the executable's alignments are not ones Windows loads";
        return false;
    }
    if (!in.Has(pe.sectionTable, uint64_t{pe.sections} * kSectionHeader) || pe.headersSize > in.data.size()) {
        error = "the executable's section table lies beyond its end";
        return false;
    }
    return true;
}

bool ReadSections(const Bytes& in, PeLayout& pe, std::string& error) {
    const uint32_t resourceRva = in.U32(pe.optional + kResourceDirectory);
    const uint32_t resourceSize = in.U32(pe.optional + kResourceDirectory + 4);
    pe.firstRaw = in.data.size();
    pe.rawEnd = pe.headersSize;
    for (uint32_t i = 0; i < pe.sections; ++i) {
        const size_t at = pe.sectionTable + i * kSectionHeader;
        const uint64_t virtualSize = in.U32(at + 8), address = in.U32(at + 12);
        const uint64_t rawSize = in.U32(at + 16), rawAt = in.U32(at + 20);
        if (rawSize > 0 && !in.Has(rawAt, rawSize)) {
            error = "a section of the executable lies beyond its end";
            return false;
        }
        if (rawSize > 0) pe.firstRaw = std::min(pe.firstRaw, rawAt);
        if (rawSize > 0) pe.rawEnd = std::max(pe.rawEnd, rawAt + rawSize);
        const uint64_t end = address + std::max(virtualSize, rawSize);
        pe.imageEnd = std::max(pe.imageEnd, end);
        if (resourceSize > 0 && resourceRva >= address && resourceRva < end)
            pe.resourceSection = static_cast<int>(i);
    }
    return true;
}

// Resources in the section that comes last both in memory and in the file are cut out:
// the new section takes its place.
void DropLastResourceSection(const Bytes& in, PeLayout& pe, std::vector<uint8_t>& image) {
    if (pe.resourceSection < 0 || static_cast<uint32_t>(pe.resourceSection) + 1 != pe.sections) return;
    const size_t at = pe.sectionTable + pe.resourceSection * kSectionHeader;
    const uint64_t address = in.U32(at + 12), rawAt = in.U32(at + 20), rawSize = in.U32(at + 16);
    if (address + std::max<uint64_t>(in.U32(at + 8), rawSize) != pe.imageEnd) return;
    if (rawSize > 0 && (rawAt + rawSize != pe.rawEnd || rawAt < pe.headersSize)) return;
    if (rawSize > 0) {
        image.erase(image.begin() + rawAt, image.begin() + pe.rawEnd);
        pe.rawEnd = rawAt;
    }
    std::fill(image.begin() + at, image.begin() + at + kSectionHeader, 0);
    pe.sections -= 1;
    pe.imageEnd = 0;
    for (uint32_t i = 0; i < pe.sections; ++i) {
        const size_t s = pe.sectionTable + i * kSectionHeader;
        pe.imageEnd =
            std::max<uint64_t>(pe.imageEnd, in.U32(s + 12) + std::max(in.U32(s + 8), in.U32(s + 16)));
    }
}

// The PE checksum: 16-bit words summed with the carry folded back, plus the length.
uint32_t Checksum(const std::vector<uint8_t>& bytes, size_t checksumAt) {
    uint64_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2) continue;
        sum += bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + bytes.size());
}

}  // namespace

bool WritePeResources(const std::vector<uint8_t>& exe, const vK_PeResources& resources,
                      std::vector<uint8_t>& out, std::string& error) {
    const Bytes in{exe};
    PeLayout pe;
    if (!ReadHeaders(in, pe, error) || !ReadSections(in, pe, error)) return false;
    std::vector<uint8_t> image = exe;
    const uint64_t overlayAt = pe.rawEnd;
    DropLastResourceSection(in, pe, image);
    const size_t header = pe.sectionTable + pe.sections * kSectionHeader;
    if (header + kSectionHeader > pe.headersSize || header + kSectionHeader > pe.firstRaw) {
        error = "the executable's headers have no room for another section";
        return false;
    }
    const uint64_t address = AlignUp(pe.imageEnd, pe.sectionAlignment);
    const uint64_t rawAt = AlignUp(pe.rawEnd, pe.fileAlignment);
    if (address > 0x7FFF0000u || rawAt + (exe.size() - pe.rawEnd) > 0x7FFF0000u) {
        error = "the executable is too large for another section";
        return false;
    }
    // What follows the sections' data (the symbol table, anything appended) moves behind
    // the new section.
    const std::vector<uint8_t> overlay(image.begin() + pe.rawEnd, image.end());
    const std::vector<uint8_t> section = BuildResourceSection(resources, static_cast<uint32_t>(address));
    const uint64_t rawSize = AlignUp(section.size(), pe.fileAlignment);
    image.resize(rawAt, 0);
    image.insert(image.end(), section.begin(), section.end());
    image.resize(rawAt + rawSize, 0);
    image.insert(image.end(), overlay.begin(), overlay.end());
    const uint32_t symbols = in.U32(pe.coff + 8);
    if (symbols >= overlayAt)
        Put32(image, pe.coff + 8, static_cast<uint32_t>(rawAt + rawSize + (symbols - overlayAt)));

    std::memcpy(&image[header], ".rsrc\0\0\0", 8);
    Put32(image, header + 8, static_cast<uint32_t>(section.size()));
    Put32(image, header + 12, static_cast<uint32_t>(address));
    Put32(image, header + 16, static_cast<uint32_t>(rawSize));
    Put32(image, header + 20, static_cast<uint32_t>(rawAt));
    for (size_t field = 24; field < 36; field += 4) Put32(image, header + field, 0);
    Put32(image, header + 36, 0x40000040u);  // initialised data, readable
    Put16(image, pe.coff + 2, pe.sections + 1);
    Put32(image, pe.optional + 56,
          static_cast<uint32_t>(AlignUp(address + section.size(), pe.sectionAlignment)));
    Put32(image, pe.optional + kResourceDirectory, static_cast<uint32_t>(address));
    Put32(image, pe.optional + kResourceDirectory + 4, static_cast<uint32_t>(section.size()));
    Put32(image, pe.optional + 64, Checksum(image, pe.optional + 64));
    out = std::move(image);
    return true;
}
