// POSIX file and process services (see os_services.h).
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <pwd.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "files/os_services.h"

namespace {

bool WriteAllFd(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string ParentFolder(const std::string& file_path) {
    const size_t slash = file_path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : file_path.substr(0, slash);
}

void SyncFolder(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return {};
}

// Reads XDG_DOCUMENTS_DIR="$HOME/..." from the user-dirs file.
std::string DocumentsFromUserDirs(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base = config && config[0] == '/' ? std::string(config) : home + "/.config";
    std::ifstream in(base + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        while (value.size() > 1 && value.back() == '/') value.pop_back();
        // "$HOME/" alone means the documents folder is disabled.
        if (value.empty() || value[0] != '/' || value == home) return {};
        return value;
    }
    return {};
}

}  // namespace

std::string OsCurrentDirectory() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool OsSetCurrentDirectory(const std::string& dir, unsigned* error) {
    if (chdir(dir.c_str()) == 0) return true;
    if (error) *error = static_cast<unsigned>(errno);
    return false;
}

std::string OsExecutableFolder() {
    char path[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return {};
    const std::string s(path, static_cast<size_t>(n));
    const size_t slash = s.rfind('/');
    return slash == std::string::npos ? std::string() : s.substr(0, slash == 0 ? 1 : slash);
}

std::string OsAbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    const std::string current = OsCurrentDirectory();
    if (current.empty()) return {};
    return path.empty() || path == "." ? current : current + "/" + path;
}

bool OsIsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool OsIsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool OsPathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

int64_t OsModificationStamp(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool OsListFolder(const std::string& dir, std::vector<std::string>& names) {
    names.clear();
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    return true;
}

bool OsMakeFolder(const std::string& dir) {
    if (mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST) return OsIsDirectory(dir);
    return false;
}

bool OsReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    // open of a directory succeeds on Linux; only regular files are read.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    bytes.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, bytes.data() + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    if (done != size) {
        bytes.clear();
        return false;
    }
    return true;
}

bool OsAppendFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteAllFd(fd, bytes.data(), bytes.size());
    return (close(fd) == 0) && written;
}

bool OsReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, OsReplaceProbe probe) {
    bool stopped = false;
    const auto go_on = [&](const char* step) {
        stopped = stopped || (probe && !probe(step, path.c_str()));
        return !stopped;
    };
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const size_t half = bytes.size() / 2;
    bool ok = go_on("opened") && WriteAllFd(fd, bytes.data(), half) && go_on("half written") &&
              WriteAllFd(fd, bytes.data() + half, bytes.size() - half) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && go_on("written") && std::rename(temp.c_str(), path.c_str()) == 0;
    if (stopped) return false;  // the files stay as a crash at that step leaves them
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    if (!go_on("replaced")) return false;
    SyncFolder(ParentFolder(path));
    return true;
}

bool OsDeleteFile(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) return false;
    return unlink(path.c_str()) == 0;
}

FILE* OsOpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::filesystem::path OsPath(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string OsPathText(const std::filesystem::path& path) { return path.string(); }

std::string OsUserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string OsDocumentsFolder() {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    std::string documents = DocumentsFromUserDirs(home);
    return documents.empty() ? home + "/Documents" : documents;
}

double OsStrtodC(const std::string& digits) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c_locale ? strtod_l(digits.c_str(), nullptr, c_locale) : std::strtod(digits.c_str(), nullptr);
}

void OsSetEnvironment(const char* name, const char* value) {
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

std::tm OsLocalTime(std::time_t t, long* utc_offset) {
    std::tm local{};
    localtime_r(&t, &local);
    if (utc_offset) *utc_offset = local.tm_gmtoff;
    return local;
}

std::vector<std::string> OsArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

// ---- Stop requests ------------------------------------------------------------------------

namespace {

std::atomic<int> g_stop_signal{0};
sem_t g_stop_wake;

// Only async-signal-safe calls: an atomic exchange, sem_post, _exit.
void OnStopSignal(int signal) {
    int none = 0;
    if (!g_stop_signal.compare_exchange_strong(none, signal)) _exit(128 + signal);
    sem_post(&g_stop_wake);
}

// Sleeps until the first request, then gives the program a second to end by itself.
void StopWatchdog() {
    while (sem_wait(&g_stop_wake) != 0) {
    }
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += 1;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    _exit(128 + g_stop_signal.load());
}

}  // namespace

void OsInstallStopHandlers() {
    static bool installed = false;
    if (installed || sem_init(&g_stop_wake, 0, 0) != 0) return;
    installed = true;
    std::thread(&StopWatchdog).detach();
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int OsStopSignal() { return g_stop_signal.load(std::memory_order_relaxed); }
#endif
