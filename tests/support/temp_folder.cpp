#include "support/temp_folder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempFolder::TempFolder() {
#ifdef _WIN32
    // No mkdtemp: a random name in the system's temporary folder, made if it is new.
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::filesystem::path p =
            base / ("vrakko_test_" + std::to_string(std::rand()) + "_" + std::to_string(++counter));
        if (std::filesystem::create_directory(p)) {
            path_ = p.generic_string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
#else
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/vrakko_test_XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
#endif
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempFolder::WriteFile(const std::string& relative, const std::string& content) const {
    const std::filesystem::path p = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
}

std::string TempFolder::ReadFile(const std::string& relative) const {
    std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempFolder::Has(const std::string& relative) const {
    return std::filesystem::exists(std::filesystem::path(path_) / relative);
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
