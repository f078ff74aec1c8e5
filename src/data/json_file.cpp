#include "data/json_file.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "data/json.h"
#include "files/file_manager.h"
#include "files/log.h"

namespace {
// "FILE:LINE:COLUMN: MESSAGE", the form the configuration's parse errors are logged in.
std::string ParseProblem(const std::string& file, const vK_JsonError& error) {
    return file + ":" + std::to_string(error.line) + ":" + std::to_string(error.column) + ": " +
           error.message;
}

std::unique_ptr<vK_Data> ParseBytes(const std::vector<uint8_t>& bytes, vK_JsonError& error) {
    return ParseJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
}
}  // namespace

std::unique_ptr<vK_Data> LoadJson(const std::string& path, int kind) {
    vK_FileManager* fm = vK_FileManager::Instance();
    if (!fm) return nullptr;
    std::vector<uint8_t> bytes;
    if (fm->LoadFile(path, bytes, kind) != 0) return nullptr;
    return ParseJson(bytes.data(), bytes.size());
}

std::unique_ptr<vK_Data> LoadJson(const std::string& path, int kind, std::string& problem) {
    problem.clear();
    vK_FileManager* fm = vK_FileManager::Instance();
    if (!fm) return nullptr;
    std::vector<uint8_t> bytes;
    std::string cause;
    const int status = fm->LoadFile(path, bytes, kind, &cause);
    if (!cause.empty()) problem = path + " " + cause;
    if (status != 0) return nullptr;
    vK_JsonError error;
    std::unique_ptr<vK_Data> value = ParseBytes(bytes, error);
    if (!value) problem = ParseProblem(path, error);
    return value;
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
        value = ParseBytes(bytes, error);
        if (!value) found = ParseProblem(name, error);
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
