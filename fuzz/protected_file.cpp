// LoadFile of protection kinds 0 to 3 on arbitrary stored bytes: never crashes,
// and whatever loads with a checksum saves back to the same stored form.
#include "files/protected_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/data_provider_base.h"
#include "files/file_manager.h"

namespace {

// Serves one in-memory file for every "save/..." path.
class MemoryProvider : public vK_DataProviderBase {
public:
    MemoryProvider() : vK_DataProviderBase(nullptr) {}
    bool Exists(const std::string&) override { return true; }
    bool ReadAll(const std::string&, std::vector<uint8_t>& bytes) override {
        bytes = content;
        return true;
    }
    std::vector<uint8_t> content;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_FileManager* fm = [] {
        auto* m = new vK_FileManager();
        m->SetSilent(true);
        m->AddReader(std::make_shared<MemoryProvider>());
        return m;
    }();
    auto* provider = static_cast<MemoryProvider*>(fm->GetReaders().back().get());
    provider->content.assign(data, data + size);
    for (int kind = 0; kind <= 3; ++kind) {
        std::vector<uint8_t> loaded;
        const int status = fm->LoadFile("save/fuzz.json", loaded, kind);
        if (status != 0 && status != 2) std::abort();
        if (status == 0 && kind == 2 && ProtectBytes(loaded, kind) != provider->content) {
            // Only a canonical header reads back; its stored form is reproduced exactly.
            std::abort();
        }
    }
    return 0;
}
