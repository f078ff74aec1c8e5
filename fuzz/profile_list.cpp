// The player's profile list and a profile file from arbitrary bytes: the list is read,
// every name decoded, the selected profile loaded into the script state and a new
// profile added. Never crashes; damaged files are reported and skipped.
#include "game/profile_list.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/file_manager.h"
#include "files/log.h"
#include "script/script_hub.h"

namespace {
void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture* quiet = new vK_LogCapture();
    quiet->Clear();
    static vK_ScriptHub* hub = [] {
        auto* h = new vK_ScriptHub();
        h->Init();
        return h;
    }();
    static const std::string root = [] {
        char pattern[] = "/tmp/vrakko_fuzz_profiles_XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    // The list first, then the profile file, split at the first zero byte.
    size_t split = 0;
    while (split < size && data[split] != 0) ++split;
    WriteFile(root + "/profile_list.json", data, split);
    const size_t rest = split < size ? split + 1 : size;
    WriteFile(root + "/p_000000.json", data + rest, size - rest);

    vK_FileManager fm;
    fm.SetSaveFolder(root);
    fm.SetIdentity("Publisher", "Fuzz");
    fm.RegisterProviders();
    vY_ProfileList list;
    for (int i = 0; i < list.GetCount(); ++i) list.GetProfileName(i);
    list.LoadCurrentProfile();
    list.AddProfile("fuzz");
    (void)hub;
    return 0;
}
