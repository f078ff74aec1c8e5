// The asset archive opened from arbitrary bytes, then every lower-case path the
// input names read through it: never crashes; bad archives fall back to folders.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/file_manager.h"
#include "files/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture* quiet = new vK_LogCapture();
    quiet->Clear();
    static const std::string root = [] {
        char pattern[] = "/tmp/vrakko_fuzz_archive_XXXXXX";
        std::string dir = mkdtemp(pattern) ? pattern : "/tmp";
        std::system(("mkdir -p '" + dir + "/assets'").c_str());
        return dir;
    }();
    const std::string pck = root + "/assets/data.pck";
    FILE* f = std::fopen(pck.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    vK_FileManager fm;
    fm.SetSilent(true);
    fm.SetAssetRoot(root);
    fm.RegisterProviders();
    const char* paths[] = {"assets/a", "assets/a.txt", "assets/config.json", "assets/sprites/a.png"};
    for (const char* path : paths) {
        std::vector<uint8_t> bytes;
        fm.LoadFile(path, bytes, 0);
    }
    return 0;
}
