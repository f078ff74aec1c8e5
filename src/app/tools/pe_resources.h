#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes an icon and version information into a 64-bit Windows executable, on any
// system: the export packs the Windows build's vrakko.exe under the game's name with the
// game's icon and title, where no Windows resource compiler may exist.

// One icon image: a square PNG, side 1..256 (PNG-compressed icon entries are read by
// every Windows since Vista).
struct vK_PeIcon {
    int side = 0;
    std::vector<uint8_t> png;
};

// What the executable's resources say about the game.
struct vK_PeResources {
    std::vector<vK_PeIcon> icons;  // one icon group, entries in this order
    std::string title;             // FileDescription and ProductName
    std::string fileName;          // OriginalFilename ("Game.exe")
    std::string internalName;      // InternalName ("Game")
    std::string company;           // CompanyName; left out when empty
    std::string version = "1.0.0.0";
};

// The icon sizes Explorer picks from (256, 48, 32, 16), scaled from a PNG of any size
// (centred on a transparent square when it is not square). When png does not decode,
// the entries come from fallback and warning says why; both failing gives none.
std::vector<vK_PeIcon> MakeIconSet(const std::vector<uint8_t>& png, const std::vector<uint8_t>& fallback,
                                   std::string& warning);

// The bytes of a resource section (RT_ICON entries, one RT_GROUP_ICON, one RT_VERSION,
// language en-US) for a section loaded at rva.
std::vector<uint8_t> BuildResourceSection(const vK_PeResources& resources, uint32_t rva);

// Copies exe into out with a new ".rsrc" section holding resources, the resource
// directory pointing at it. Resources the executable already had are replaced: their
// section is dropped when it is the last one, else left unreferenced. The input is a
// PE32+ (x86-64) image and is checked within its bounds; anything else (not an
// executable, 32-bit, signed, headers with no room for another section, tables beyond
// the file) gives false with error saying what, and out untouched.
bool WritePeResources(const std::vector<uint8_t>& exe, const vK_PeResources& resources,
                      std::vector<uint8_t>& out, std::string& error);
