#include "game/profile_list.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "data/data.h"
#include "data/json.h"
#include "data/json_file.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "game/saved_values.h"
#include "script/script_hub.h"

namespace {
vY_ProfileList* g_instance = nullptr;

constexpr const char* kGlobalName = "vy_global";
constexpr const char* kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Profile files are "p_" + digits + this.
constexpr const char* kProfileSuffix = ".json";

std::string EncodeBase64(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = uint8_t(bytes[i]) << 16 | uint8_t(bytes[i + 1]) << 8 | uint8_t(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) out += kBase64[(v >> shift) & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = uint8_t(bytes[i]) << 16;
        if (rest == 2) v |= uint8_t(bytes[i + 1]) << 8;
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += rest == 2 ? kBase64[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Stops at the first "=" or character outside the alphabet; a trailing partial group
// yields the whole bytes it holds.
std::string DecodeBase64(const std::string& text) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const int v = Base64Value(c);
        if (v < 0) break;
        bits = bits << 6 | uint32_t(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char((bits >> count) & 0xFF);
        }
    }
    return out;
}

// LoadFile with the silent flag set; problem as LoadFile gives it.
int LoadSilently(const std::string& path, std::vector<uint8_t>& bytes, int kind, std::string& problem) {
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) return 1;
    const bool was_silent = files->IsSilent();
    files->SetSilent(true);
    const int status = files->LoadFile(path, bytes, kind, &problem);
    files->SetSilent(was_silent);
    return status;
}

std::unique_ptr<vK_Data> ParseBytes(const std::vector<uint8_t>& bytes, vK_JsonError& error) {
    return ParseJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
}

// "LINE:COLUMN: MESSAGE" of a parse error.
std::string ParseReason(const vK_JsonError& error) {
    return FormatString("%d:%d: %s", error.line, error.column, error.message.c_str());
}

// Keeps a copy of a file that did not read whole before anything overwrites it, with a
// log line saying what was wrong (reason) and where the copy is.
void KeepDamagedCopy(const std::string& path, const std::string& reason) {
    vK_FileManager* files = vK_FileManager::Instance();
    const std::string copy = files ? files->KeepDamagedCopy(path) : std::string();
    if (!copy.empty()) {
        Log("Error: %s is damaged (%s); its content is kept in %s.", path.c_str(), reason.c_str(),
            copy.c_str());
    } else {
        Log("Error: %s is damaged (%s); no copy of it could be kept.", path.c_str(), reason.c_str());
    }
}

// The player's name a profile file holds ("profile"."name", Base64), "" when it can not
// be read.
std::string StoredName(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string problem;
    const int status = LoadSilently(path, bytes, 2, problem);
    vK_JsonError error;
    const std::unique_ptr<vK_Data> root = status == 0 ? ParseBytes(bytes, error) : nullptr;
    const vK_Data* profile = root ? root->Get("profile") : nullptr;
    const vK_Data* name = profile ? profile->Get("name") : nullptr;
    return name && name->GetTag() == vK_Data::kString ? DecodeBase64(name->ToString()) : std::string();
}

bool IsProfileId(const std::string& id) {
    if (id.size() < 3 || id.compare(0, 2, "p_") != 0) return false;
    for (size_t i = 2; i < id.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(id[i]))) return false;
    }
    return true;
}
}  // namespace

vY_ProfileList::vY_ProfileList() {
    g_instance = this;
    Load();
}

vY_ProfileList::~vY_ProfileList() {
    if (g_instance == this) g_instance = nullptr;
}

vY_ProfileList* vY_ProfileList::Instance() { return g_instance; }

std::string vY_ProfileList::ProfilePath(const std::string& id) {
    return IsProfileId(id) ? "save/" + id + ".json" : std::string();
}

void vY_ProfileList::Load() {
    entries_.clear();
    current_ = kNoList;
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) return;
    std::vector<uint8_t> bytes;
    std::string cause;
    const int status = LoadSilently(kListFile, bytes, 0, cause);
    if (status == 1 && cause.empty()) return;  // no list yet
    vK_JsonError error;
    const std::unique_ptr<vK_Data> root = status == 0 ? ParseBytes(bytes, error) : nullptr;
    const vK_DataTable* table = root ? root->AsTable() : nullptr;
    std::vector<std::string> problems;
    if (table) {
        ReadTable(*table, problems);
    } else {
        current_ = kUnreadable;
        if (status != 0) {
            problems.push_back("it " + cause);
        } else if (!root) {
            problems.push_back(ParseReason(error));
        } else {
            problems.push_back("it is not a JSON object");
        }
    }
    if (problems.empty()) return;
    std::string reason;
    for (const std::string& problem : problems) reason += (reason.empty() ? "" : "; ") + problem;
    KeepDamagedCopy(kListFile, reason);
    RecoverFromProfileFiles();
}

void vY_ProfileList::RecoverFromProfileFiles() {
    std::vector<std::string> ids;
    for (const std::string& file : vK_FileManager::Instance()->ListFolder("save")) {
        const size_t stem = file.size() - std::min(file.size(), std::strlen(kProfileSuffix));
        const std::string id = file.substr(0, stem);
        if (file.compare(stem, std::string::npos, kProfileSuffix) != 0 || !IsProfileId(id)) continue;
        if (std::none_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.id == id; }))
            ids.push_back(id);
    }
    if (ids.empty()) return;
    // In the order of the numbers, as the players were added.
    std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    std::string recovered;
    for (const std::string& id : ids) {
        entries_.push_back({id, UniqueName(StoredName(ProfilePath(id)), id)});
        recovered += (recovered.empty() ? "" : ", ") + id;
    }
    if (current_ < 0) current_ = 0;
    Log("Warning: %s did not name the players %s; they are taken back from their profile files.", kListFile,
        recovered.c_str());
}

void vY_ProfileList::ReadTable(const vK_DataTable& table, std::vector<std::string>& problems) {
    const vK_Data* profiles = table.Get("profiles");
    const vK_DataArray* list = profiles ? profiles->AsArray() : nullptr;
    if (!table.Get("current")) problems.push_back("no \"current\" key");
    if (!list) {
        problems.push_back(profiles ? "\"profiles\" is not an array" : "no \"profiles\" key");
        current_ = kMalformed;
        return;
    }
    // The entry of the stored index is found again among the entries kept.
    std::vector<unsigned> from;
    for (unsigned i = 0; i < list->Size(); ++i) {
        if (ReadEntry(*list->GetAt(i), i, problems)) from.push_back(i);
    }
    const vK_Data* current = table.Get("current");
    if (!current) {
        current_ = entries_.empty() ? kNoList : 0;  // the first player, rather than none
        return;
    }
    const int fallback = entries_.empty() ? kMalformed : 0;
    const std::string problem = NumberProblem(*current, kMalformed, double(list->Size()) - 1, true);
    if (!problem.empty()) {
        problems.push_back("\"current\" " + problem);
        current_ = fallback;
        return;
    }
    current_ = current->GetInt();
    if (current_ < 0) return;  // one of the stored states that select nothing
    const auto kept = std::find(from.begin(), from.end(), unsigned(current_));
    current_ = kept == from.end() ? fallback : int(kept - from.begin());
}

bool vY_ProfileList::ReadEntry(const vK_Data& item, unsigned index, std::vector<std::string>& problems) {
    const std::string entry = FormatString("entry %u", index);
    if (!item.AsTable()) {
        problems.push_back(entry + " is not an object");
        return false;
    }
    Entry read;
    const vK_Data* id = item.Get("id");
    const vK_Data* name = item.Get("name");
    if (id && id->GetTag() == vK_Data::kString) read.id = id->ToString();
    if (name && name->GetTag() == vK_Data::kString) read.name = DecodeBase64(name->ToString());
    if (read.id.empty()) {
        problems.push_back(entry + " has no id");
    } else if (ProfilePath(read.id).empty()) {
        problems.push_back(entry + " has the id \"" + read.id + "\", which names no profile file");
    }
    for (const Entry& other : entries_) {
        if (!read.id.empty() && other.id == read.id) {
            // Two players sharing one progress file would overwrite each other's.
            problems.push_back(entry + " repeats the id " + read.id);
            return false;
        }
    }
    const std::string unique = UniqueName(read.name, read.id);
    if (read.name.empty()) {
        problems.push_back(entry + " has no name");
    } else if (unique != read.name) {
        problems.push_back(entry + " repeats a name");
    }
    read.name = unique;
    entries_.push_back(std::move(read));
    return true;
}

std::string vY_ProfileList::UniqueName(const std::string& name, const std::string& id) const {
    const auto taken = [this](const std::string& candidate) {
        return std::any_of(entries_.begin(), entries_.end(),
                           [&](const Entry& entry) { return entry.name == candidate; });
    };
    const std::string wanted = name.empty() ? id : name;
    return taken(wanted) ? wanted + " (" + id + ")" : wanted;
}

bool vY_ProfileList::SaveList() const {
    vK_DataTable table;
    table.SetInt("current", current_);
    vK_DataArray* profiles = table.SetArray("profiles");
    for (const Entry& entry : entries_) {
        vK_DataTable* item = profiles->PushTable();
        item->SetString("id", entry.id);
        item->SetString("name", EncodeBase64(entry.name));
    }
    return SaveJson(&table, kListFile, 0, true);
}

std::string vY_ProfileList::GetProfileName(int index) const {
    if (index >= 0 && index < GetCount()) return entries_[index].name;
    if (index == kNoList) return "vy_noprofiles";
    if (index == kUnreadable) return "vy_error";
    return {};
}

const vY_ProfileList::Entry* vY_ProfileList::Selected() const {
    return current_ >= 0 && current_ < GetCount() ? &entries_[current_] : nullptr;
}

void vY_ProfileList::SelectProfile(const std::string& name) {
    for (int i = 0; i < GetCount(); ++i) {
        if (entries_[i].name == name) {
            current_ = i;
            return;
        }
    }
}

bool vY_ProfileList::AddProfile(const std::string& name) {
    int64_t largest = -1;
    for (const Entry& entry : entries_) {
        if (entry.name == name) return false;
        if (entry.id.size() > 2) largest = std::max<int64_t>(largest, TextToInt(entry.id.substr(2)));
    }
    // An id whose file is still there (the list that named it was lost) is skipped, so a
    // new player never takes over another player's progress.
    vK_FileManager* files = vK_FileManager::Instance();
    int64_t n = largest + 1;
    std::string id;
    for (;; ++n) {
        id = FormatString("p_%06lld", static_cast<long long>(n));
        if (!files || files->Exists(ProfilePath(id)) != 0) break;
    }
    entries_.push_back({id, name});
    return true;
}

void vY_ProfileList::DeleteProfile(const std::string& name) {
    int index = -1;
    for (int i = 0; i < GetCount(); ++i) {
        if (entries_[i].name == name) {
            index = i;
            break;
        }
    }
    if (index < 0) return;
    const std::string id = entries_[index].id;
    entries_.erase(entries_.begin() + index);
    if (current_ == index) {
        current_ = entries_.empty() ? kNoList : 0;
    } else if (current_ > index) {
        --current_;  // the same player stays selected
    }
    SaveList();
    const std::string path = ProfilePath(id);
    vK_FileManager* files = vK_FileManager::Instance();
    if (files && !path.empty()) files->DeleteFile(path);
}

bool vY_ProfileList::LoadCurrentProfile() {
    const Entry* entry = Selected();
    vK_FileManager* files = vK_FileManager::Instance();
    if (!entry || !files) return false;
    const std::string path = ProfilePath(entry->id);
    if (path.empty()) {
        progressId_ = entry->id;
        Log("Error: profile id \"%s\" names no profile file.", entry->id.c_str());
        return false;
    }
    std::vector<uint8_t> bytes;
    std::string problem;
    const int status = files->LoadFile(path, bytes, 2, &problem);
    // The file manager logged a file that is missing or can not be read. A level has seen
    // this player's file unless it is there unread: a missing one holds nothing to lose,
    // and a damaged one is kept beside the next save.
    if (status != 1 || problem.empty()) progressId_ = entry->id;
    if (status == 1) return false;
    vK_JsonError error;
    const std::unique_ptr<vK_Data> root = status == 0 ? ParseBytes(bytes, error) : nullptr;
    const vK_Data* profile = root && root->AsTable() ? root->Get("profile") : nullptr;
    if (!profile || !profile->AsTable()) {
        problem = status != 0 ? "it " + problem : root ? "no \"profile\" table" : ParseReason(error);
        KeepDamagedCopy(path, problem);
        Log("Error: profile file %s is damaged and was not loaded.", path.c_str());
        return false;
    }
    if (vK_ScriptHub* hub = vK_ScriptHub::Instance()) hub->SetGlobal(profile->Get("game_data"), kGlobalName);
    return true;
}

bool vY_ProfileList::SaveCurrentProfile() const {
    bool saved = SaveList();
    const Entry* entry = Selected();
    if (!entry) return saved;
    const std::string path = ProfilePath(entry->id);
    if (path.empty()) {
        Log("Error: profile id \"%s\" names no profile file.", entry->id.c_str());
        return false;
    }
    progressId_ = entry->id;
    vK_DataTable root;
    vK_DataTable* profile = root.SetTable("profile");
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    std::unique_ptr<vK_Data> game_data = hub ? hub->GetGlobal(kGlobalName) : nullptr;
    profile->Set("game_data", game_data ? std::move(game_data) : std::make_unique<vK_Data>());
    // The name, as in the list, lets a lost list be rebuilt from the profile files.
    profile->SetString("name", EncodeBase64(entry->name));
    return SaveJson(&root, path, 2, true) && saved;
}

bool vY_ProfileList::SaveProgressAtLevelEnd() const {
    const Entry* entry = Selected();
    vK_FileManager* files = vK_FileManager::Instance();
    const std::string path = entry ? ProfilePath(entry->id) : std::string();
    if (entry && entry->id != progressId_ && files && !path.empty() && files->Exists(path) == 0) {
        Log("Warning: the progress of profile %s was not loaded by this level, so its file %s is kept",
            entry->id.c_str(), path.c_str());
        SaveList();
        return false;
    }
    return SaveCurrentProfile();
}

bool vY_ProfileList::IsCheaterProfile() const {
    std::string name = GetCurrentName();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name == "cheater";
}
