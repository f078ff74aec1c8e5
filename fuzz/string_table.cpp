// String tables from arbitrary XML, and Get on arbitrary texts with parameters
// taken from the input: never crashes, never grows beyond one expansion level.
#include "data/string_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture* quiet = new vK_LogCapture();  // keeps the output readable
    quiet->Clear();
    const std::string text(reinterpret_cast<const char*>(data), size);
    vK_StringTable store;
    store.LoadText(text, "fuzz");
    // The input cut into five pieces: parameters, and texts under short ids.
    std::string pieces[5];
    for (size_t i = 0; i < 5; ++i) pieces[i] = text.substr(std::min(size, i * size / 5), size / 5 + 1);
    store.Set("T", text);
    for (size_t i = 0; i < 5; ++i) store.Set(std::string(1, static_cast<char>('A' + i)), pieces[i]);
    const std::string ids[] = {"T", "A", "B", "C", "D", "E", "", "missing", pieces[0]};
    for (const std::string& id : ids) {
        const std::string out = store.Get(id, pieces[0], pieces[1], pieces[2], pieces[3], pieces[4]);
        if (out.size() > (size + 16) * (size + 16) + 64) std::abort();
    }
    return 0;
}
