#include <cstddef>
#include <cstdint>
#include <string>

#include "files/log.h"
#include "scene/object.h"
#include "script/module_file.h"

// Arbitrary bytes as a module's object description: parsed, objects created from
// every element, then everything destroyed and freed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install([](const std::string&) { return true; });
    static const bool registered = [] {
        vK_Object::RegisterEngineTypes();
        return true;
    }();
    (void)registered;
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        vK_ModuleFile module("assets/fuzz", "p_", false);
        module.ReadXml(text);
        std::string code = text;
        module.ReadCode(code);
    }
    vK_Object::ReleaseAll();
    return 0;
}
