#include "files/data_provider_archive.h"

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>

#include "files/log.h"
#include "files/path_rules.h"

namespace {

// libzip reads the archive through a stdio handle obtained from the file manager's
// readers; the source owns the handle and closes it when libzip frees the source.
struct ArchiveSource {
    FILE* file = nullptr;
    zip_uint64_t size = 0;
    zip_error_t error;
};

zip_int64_t SourceCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<ArchiveSource*>(userdata);
    switch (cmd) {
        case ZIP_SOURCE_OPEN:
            if (fseeko(s->file, 0, SEEK_SET) != 0) {
                zip_error_set(&s->error, ZIP_ER_SEEK, errno);
                return -1;
            }
            return 0;
        case ZIP_SOURCE_READ: {
            const size_t n = std::fread(data, 1, static_cast<size_t>(len), s->file);
            if (n < len && std::ferror(s->file)) {
                zip_error_set(&s->error, ZIP_ER_READ, errno);
                return -1;
            }
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = s->size;
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&s->error, data, len);
        case ZIP_SOURCE_FREE:
            if (s->file) std::fclose(s->file);
            zip_error_fini(&s->error);
            delete s;
            return 0;
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t offset = zip_source_seek_compute_offset(
                static_cast<zip_uint64_t>(ftello(s->file)), s->size, data, len, &s->error);
            if (offset < 0) return -1;
            if (fseeko(s->file, static_cast<off_t>(offset), SEEK_SET) != 0) {
                zip_error_set(&s->error, ZIP_ER_SEEK, errno);
                return -1;
            }
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return static_cast<zip_int64_t>(ftello(s->file));
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                                  ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
        default:
            zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

// Entries are read in blocks: the stated size only bounds what is accepted and
// how much is reserved up front, it is never trusted to have arrived.
constexpr size_t kReadBlock = 64 * 1024;
constexpr size_t kMaxReserve = 16 * 1024 * 1024;

}  // namespace

vK_DataProviderArchive::vK_DataProviderArchive(
    std::shared_ptr<const vK_FileLocations> locations,
    const std::vector<std::shared_ptr<vK_DataProviderBase>>& readers, const std::string& base_path,
    const std::string& password)
    : vK_DataProviderBase(std::move(locations)), password_(password) {
    std::string name = base_path + ".pck";
    std::replace(name.begin(), name.end(), '\\', '/');
    FILE* file = nullptr;
    for (auto it = readers.rbegin(); it != readers.rend() && !file; ++it) file = (*it)->OpenFile(name);
    if (!file) return;

    struct stat st;
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(file);
        return;
    }
    auto* source_state = new ArchiveSource;
    source_state->file = file;
    source_state->size = static_cast<zip_uint64_t>(st.st_size);
    zip_error_init(&source_state->error);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(SourceCallback, source_state, &error);
    if (!source) {
        SourceCallback(source_state, nullptr, 0, ZIP_SOURCE_FREE);
        Log("Error: can't open archive %s: %s", name.c_str(), zip_error_strerror(&error));
        zip_error_fini(&error);
        return;
    }
    archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive_) {
        Log("Error: can't open archive %s: %s", name.c_str(), zip_error_strerror(&error));
        zip_source_free(source);  // frees the state and closes the file
        zip_error_fini(&error);
        return;
    }
    zip_error_fini(&error);

    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* entry = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0);
        if (!entry) continue;
        index_.insert(entry);
        // Folder entries ("assets/images/") are listed but are no files to read.
        const std::string name = entry;
        if (!name.empty() && name.back() != '/')
            foldedIndex_.emplace(FoldCase(name), static_cast<uint64_t>(i));
    }
}

vK_DataProviderArchive::~vK_DataProviderArchive() {
    if (archive_) zip_discard(archive_);
}

const uint64_t* vK_DataProviderArchive::Find(const std::string& path) const {
    std::string cleaned;
    if (!archive_ || ClassifyRequestPath(path, &cleaned) == vK_PathArea::kRefused) return nullptr;
    const auto found = foldedIndex_.find(FoldCase(cleaned));
    return found == foldedIndex_.end() ? nullptr : &found->second;
}

bool vK_DataProviderArchive::Exists(const std::string& path) { return Find(path) != nullptr; }

bool vK_DataProviderArchive::ReadAll(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const uint64_t* found = Find(path);
    if (!found) return false;
    const zip_uint64_t entry = *found;
    const char* stored = zip_get_name(archive_, entry, 0);
    const std::string name = stored ? stored : path;

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_, entry, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return false;
    zip_file_t* file = password_.empty() ? zip_fopen_index(archive_, entry, 0)
                                         : zip_fopen_index_encrypted(archive_, entry, 0, password_.c_str());
    if (!file) {
        Log("Warning: can't open archive entry %s: %s", name.c_str(), zip_strerror(archive_));
        return false;
    }
    const uint64_t stated = st.size;
    bytes.reserve(static_cast<size_t>(std::min<uint64_t>(stated, kMaxReserve)));
    bool ok = true;
    // Read to the end so that libzip checks the entry's CRC; more data than stated,
    // less data, or a read error is a damaged entry.
    for (;;) {
        const size_t old_size = bytes.size();
        if (old_size > stated) {
            ok = false;
            break;
        }
        bytes.resize(old_size + kReadBlock);
        const zip_int64_t n = zip_fread(file, bytes.data() + old_size, kReadBlock);
        if (n < 0) {
            Log("Warning: can't read archive entry %s: %s", name.c_str(), zip_file_strerror(file));
            bytes.resize(old_size);
            ok = false;
            break;
        }
        bytes.resize(old_size + static_cast<size_t>(n));
        if (n == 0) break;
    }
    zip_fclose(file);
    if (!ok || bytes.size() != stated) {
        bytes.clear();
        return false;
    }
    bytes.shrink_to_fit();
    return true;
}
