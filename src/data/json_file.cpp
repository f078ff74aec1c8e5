#include "data/json_file.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "data/json.h"
#include "files/file_manager.h"
#include "files/log.h"

std::unique_ptr<vK_Data> LoadJson(const std::string& path, int kind) {
    vK_FileManager* fm = vK_FileManager::Instance();
    if (!fm) return nullptr;
    std::vector<uint8_t> bytes;
    if (fm->LoadFile(path, bytes, kind) != 0) return nullptr;
    return ParseJson(bytes.data(), bytes.size());
}

bool SaveJson(const vK_Data* value, const std::string& path, int kind, bool compact) {
    vK_FileManager* fm = vK_FileManager::Instance();
    if (!fm) return false;
    std::string text;
    WriteJson(value, text, compact);
    return fm->SaveFile(path, std::vector<uint8_t>(text.begin(), text.end()), kind, false);
}

vK_DataPtr LoadDocument(const std::string& path, std::string* problem) {
    const std::string name = path + ".json";
    std::vector<uint8_t> bytes;
    vK_FileManager* fm = vK_FileManager::Instance();
    std::unique_ptr<vK_Data> value;
    std::string found;
    if (fm && fm->ReadFromReaders(name, bytes)) {
        vK_JsonError error;
        value =
            ParseJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
        if (!value)
            found = name + ":" + std::to_string(error.line) + ":" + std::to_string(error.column) + ": " +
                    error.message;
    } else if (fm && fm->Exists(name) == 0) {
        found = name + " can not be read";
    } else if (!fm || !fm->IsSilent()) {
        Log("Error: file not found %s.", name.c_str());
    }
    if (!found.empty()) Log("Error: %s", found.c_str());
    if (problem) *problem = found;
    if (!value) return std::make_shared<vK_DataTable>();
    return vK_DataPtr(value.release());
}
