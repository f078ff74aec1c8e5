#pragma once
#include <map>
#include <string>
#include <vector>

class vK_Data;

// The engine-wide store of user-visible texts by string id, filled from XML
// tables ("strings" / "table" / "row" with "id" and "text"). A later file's rows
// replace earlier texts of the same id. Texts may hold references resolved by Get:
// "%1%".."%5%" (call parameters), "%name%" (another id's text), "%%" (a percent).
class vK_StringTable {
public:
    vK_StringTable();
    virtual ~vK_StringTable();
    vK_StringTable(const vK_StringTable&) = delete;
    vK_StringTable& operator=(const vK_StringTable&) = delete;

    static vK_StringTable* Instance();

    // Loads path + ".xml" through the file manager; on failure logs and keeps the store.
    bool Load(const std::string& path);
    // Parses an XML text (the part of Load after reading); name is used in log lines.
    bool LoadText(const std::string& xml, const std::string& name);
    // Loads every element of a list value (the configuration's "Vrakko.strings"),
    // each converted to a string; anything but an array loads nothing.
    void LoadList(const vK_Data* list);

    std::string Get(const std::string& id, const std::string& p1 = {}, const std::string& p2 = {},
                    const std::string& p3 = {}, const std::string& p4 = {}, const std::string& p5 = {}) const;
    void Set(const std::string& id, const std::string& text) { texts_[id] = text; }
    bool Has(const std::string& id) const { return texts_.count(id) != 0; }
    size_t Size() const { return texts_.size(); }
    void Clear() { texts_.clear(); }
    // The paths Load was asked for, in first-asked order (reloading while editing loads a
    // changed one again).
    const std::vector<std::string>& GetLoadedPaths() const { return loadedPaths_; }

private:
    std::map<std::string, std::string> texts_;
    std::vector<std::string> loadedPaths_;
};
