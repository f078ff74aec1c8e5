#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under $TMPDIR (or /tmp), removed with its contents on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Writes a file at a path relative to the folder, creating parent folders.
    void WriteFile(const std::string& relative, const std::string& content) const;
    std::string ReadFile(const std::string& relative) const;
    bool Has(const std::string& relative) const;

private:
    std::string path_;
};

std::vector<uint8_t> Bytes(const std::string& text);
std::string Text(const std::vector<uint8_t>& bytes);
