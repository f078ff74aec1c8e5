#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/data_provider_base.h"
#include "files/log.h"

class vK_ByteBuffer;
class vK_InStreamInterface;

// All file access of the engine. Readers and writers are consulted from the last
// registered to the first; after RegisterProviders a read tries the archive
// "assets/data.pck" (when present), then the save folder, then the asset folder,
// and writes go to the save folder. Only "assets/..." and "save/..." paths are
// served; anything else is refused with a log line. Status results: 0 success,
// 1 not found (or refused), 2 damaged.
class vK_FileManager {
public:
    vK_FileManager();
    virtual ~vK_FileManager();
    vK_FileManager(const vK_FileManager&) = delete;
    vK_FileManager& operator=(const vK_FileManager&) = delete;

    static vK_FileManager* Instance();

    // The password entries of "assets/data.pck" are opened with; the export packs with it.
    static constexpr const char* kArchivePassword = "dunKerrow";

    // Folders and names. The engine pushes its publisher and game names here when it
    // is created and whenever they change, so the next save and log line use the new
    // folder; saving is refused while either name is empty. --root, --save-dir and
    // tests set the folders.
    void SetAssetRoot(const std::string& dir) { locations_->asset_root = dir; }
    void SetSaveFolder(const std::string& dir) { locations_->save_folder = dir; }
    void SetIdentity(const std::string& publisher, const std::string& game);
    void SetGameName(const std::string& game) { locations_->game = game; }
    const vK_FileLocations& GetLocations() const { return *locations_; }
    std::shared_ptr<const vK_FileLocations> SharedLocations() const { return locations_; }

    void RegisterProviders();
    void AddReader(std::shared_ptr<vK_DataProviderBase> provider) { readers_.push_back(std::move(provider)); }
    void AddWriter(std::shared_ptr<vK_DataProviderBase> provider) { writers_.push_back(std::move(provider)); }
    const std::vector<std::shared_ptr<vK_DataProviderBase>>& GetReaders() const { return readers_; }
    const std::vector<std::shared_ptr<vK_DataProviderBase>>& GetWriters() const { return writers_; }

    void SetSilent(bool silent) { silent_ = silent; }
    bool IsSilent() const { return silent_; }

    // Reads path with protection kind 0..3: 0 loaded, 1 not found, 2 damaged. A path
    // that is there but can not be read (a folder, no permission) is 1 too, logged with
    // its cause instead of as not found. problem (when given) says why a file that is
    // there did not load, as a phrase after its name ("is a folder", "does not match its
    // checksum"); it is empty when the file loaded or is missing.
    int LoadFile(const std::string& path, std::vector<uint8_t>& bytes, int kind,
                 std::string* problem = nullptr);
    // Stores bytes with protection kind. With append and kind 0 the bytes are
    // appended; with append and another kind the file is rewritten with the old
    // content followed by the new. The caller's bytes are left unchanged.
    bool SaveFile(const std::string& path, const std::vector<uint8_t>& bytes, int kind, bool append);
    // True when a writer removed the file (or it was not there).
    bool DeleteFile(const std::string& path);
    int Exists(const std::string& path);
    int ResolvePath(const std::string& path, std::string& out);
    int OpenFile(const std::string& path, FILE*& out);
    int OpenStream(const std::string& path, std::shared_ptr<vK_InStreamInterface>& out);
    // LoadFile (kind 0) into the buffer's own storage, read position at the start
    // offset; an empty or missing file gives the one-zero-byte buffer. The status
    // of LoadFile.
    int LoadIntoBuffer(const std::string& path, vK_ByteBuffer& buffer);

    // Reads the whole file from the first reader that has it (last to first), with
    // no protection and no log line; false when none has it or the path is refused.
    bool ReadFromReaders(const std::string& path, std::vector<uint8_t>& bytes);

    // The names of the regular files in folder ("save", or a folder below "save/" or
    // "assets/") as the folder providers find them, sorted, each once; archive entries are
    // not listed. Empty when no folder is there or the path is refused.
    std::vector<std::string> ListFolder(const std::string& folder);

    // Copies the stored bytes of path, a file that did not read whole, to the first free
    // name of path + ".damaged", ".damaged.1", ".damaged.2", ..., so a damage met later
    // never overwrites the copy of an earlier one; a copy that already holds the same
    // bytes is used again. The copy's path, "" when path can not be read or no copy can
    // be written.
    std::string KeepDamagedCopy(const std::string& path);

    // Starts "save/logfile.txt" afresh for this run, beginning with the lines logged
    // before (start-up reads the configuration and string tables before the save
    // folder, and so the log's place, is known). Later lines are only appended.
    void RestartLog();

private:
    // Logs the refusal and returns false for a path outside "assets/" and "save/".
    bool Admit(const std::string& path) const;
    // Why path, which no reader could read, can not be read where it is ("is a folder",
    // "can not be read: Permission denied"); "" when no reader's folder has it.
    std::string UnreadableCause(const std::string& path);
    bool WriteToWriters(const std::string& path, const std::vector<uint8_t>& stored, bool append);
    static bool LogSink(const std::string& line);

    bool silent_ = false;
    // Lines logged before RestartLog (at most kMaxEarlyLines), written again by it.
    std::vector<std::string> earlyLines_;
    bool logRestarted_ = false;
    std::shared_ptr<vK_FileLocations> locations_;
    std::vector<std::shared_ptr<vK_DataProviderBase>> readers_;
    std::vector<std::shared_ptr<vK_DataProviderBase>> writers_;
    // The log goes to "save/logfile.txt" while this file manager lives.
    vK_Seam<vK_LogSink>::Registration logSink_;
};
