#include <cstddef>
#include <cstdint>
#include <string>

#include "data/data.h"
#include "script/xml_data.h"

// Arbitrary bytes as an XML document converted to data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto result = XmlToData(text);
    return result ? 0 : 0;
}
