#pragma once
#include <string>
#include <vector>

class vK_Data;
class vK_DataTable;

// The named player profiles: the list in "save/profile_list.json" (names in Base64) and
// one checksummed file per profile, "save/<id>.json", holding the script global
// "vy_global" under "profile"."game_data" and the player's name (Base64) under
// "profile"."name". A damaged list is kept as a copy and rebuilt from what it still holds
// and from the profile files, so no player is lost. One instance, owned by the application;
// Instance() is null while none exists.
class vY_ProfileList {
public:
    static constexpr const char* kListFile = "save/profile_list.json";
    // Values of current that select nothing.
    static constexpr int kNoList = -1;
    static constexpr int kUnreadable = -2;
    static constexpr int kMalformed = -3;

    struct Entry {
        std::string id;
        std::string name;
    };

    // Loads the list.
    vY_ProfileList();
    ~vY_ProfileList();
    vY_ProfileList(const vY_ProfileList&) = delete;
    vY_ProfileList& operator=(const vY_ProfileList&) = delete;

    static vY_ProfileList* Instance();

    void Load();
    bool SaveList() const;

    int GetCount() const { return static_cast<int>(entries_.size()); }
    // The entry's name; "vy_noprofiles" for no list, "vy_error" for an unreadable one,
    // "" for anything else (scripts show the two keys through the string table).
    std::string GetProfileName(int index) const;
    std::string GetCurrentName() const { return GetProfileName(current_); }
    int GetCurrent() const { return current_; }
    const std::vector<Entry>& GetEntries() const { return entries_; }

    // Selects the first profile of exactly this name; nothing is written.
    void SelectProfile(const std::string& name);
    // Appends a profile with a fresh id; false when the name exists. Selects nothing.
    bool AddProfile(const std::string& name);
    // Removes the profile, writes the list and deletes its file. The selection stays on
    // the same player (the first one when the selected player was removed).
    void DeleteProfile(const std::string& name);

    // Sets "vy_global" from the selected profile's file; false (and "vy_global" left
    // alone) when nothing is selected or the file is missing, damaged or malformed.
    bool LoadCurrentProfile();
    // Writes the list, then "vy_global" into the selected profile's file.
    bool SaveCurrentProfile() const;

    // A new level empties "vy_global": from then on it holds no player's progress until
    // LoadCurrentProfile is tried again.
    void ForgetLoadedProgress() { progressId_.clear(); }
    // The save at a level's end: SaveCurrentProfile, unless the selected player has a
    // progress file this level never tried to load. Then "vy_global" holds somebody
    // else's progress or none at all, and writing it would wipe the player's own; the
    // list is written and the file kept, with a warning. False when nothing was written.
    bool SaveProgressAtLevelEnd() const;

    bool IsCheaterProfile() const;

    // The profile file of an id, or "" for an id that is not "p_" followed by digits
    // (such an id never names a file, so a damaged list cannot reach other files).
    static std::string ProfilePath(const std::string& id);

private:
    const Entry* Selected() const;
    // Load's reading of a list file that parsed as a table: every readable player is kept,
    // and what could not be used is added to problems.
    void ReadTable(const vK_DataTable& table, std::vector<std::string>& problems);
    // Appends the entry item unless it is not an object or repeats an id; false then.
    bool ReadEntry(const vK_Data& item, unsigned index, std::vector<std::string>& problems);
    // Appends the players whose profile files ("save/p_<digits>.json") the list does not
    // name, with the names the files hold, selecting the first player when none is.
    void RecoverFromProfileFiles();
    // name, or the id when name is empty, or "name (id)" when another entry has name, so
    // every player of a damaged list stays distinct and can be selected.
    std::string UniqueName(const std::string& name, const std::string& id) const;

    std::vector<Entry> entries_;
    int current_ = kNoList;
    // The profile whose file "vy_global" was last loaded from (or tried) or saved into
    // since the last level began; a save makes the table that player's progress.
    mutable std::string progressId_;
};
