#include "app/tools/shared_libraries.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <sstream>

namespace {

// Name stems (the part before ".so") of the libraries a desktop provides.
const char* const kSystemStems[] = {
    // the C library, its loader and its parts
    "linux-vdso", "linux-gate", "ld-linux", "ld-linux-x86-64", "ld-linux-aarch64", "libc", "libm", "libdl",
    "libpthread", "librt", "libresolv", "libutil", "libanl", "libnsl", "libcrypt", "libmvec",
    // the C++ runtime
    "libstdc++", "libgcc_s", "libatomic",
    // graphics drivers and their dispatch libraries
    "libGL", "libGLX", "libEGL", "libGLdispatch", "libOpenGL", "libGLESv2", "libdrm", "libgbm", "libvulkan",
    // windowing, input and sound-server clients
    "libX11", "libX11-xcb", "libXext", "libXau", "libXdmcp", "libXcursor", "libXi", "libXfixes", "libXrandr",
    "libXrender", "libXss", "libXxf86vm", "libXinerama", "libxkbcommon", "libwayland-client",
    "libwayland-cursor", "libwayland-egl", "libasound", "libpulse", "libpulse-simple", "libjack",
    "libpipewire-0.3", "libsndfile", "libFLAC", "libopus", "libmpg123", "libmp3lame", "libasyncns",
    "libwayland-server", "libdecor-0",
    // the desktop's drawing and font stack
    "libcairo", "libpixman-1", "libfontconfig", "libfreetype", "libpng16", "libbrotlidec", "libbrotlicommon",
    // what the drivers and the desktop load themselves
    "libz", "libzstd", "liblzma", "libbz2", "liblz4", "libexpat", "libffi", "libelf", "libudev", "libsystemd",
    "libdbus-1", "libselinux", "libpcre2-8", "libcap", "libgcrypt", "libgpg-error", "libsensors", "libbsd",
    "libmd", "libcrypto", "libssl"};

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool IsSystemLibrary(const std::string& soname) {
    const size_t slash = soname.rfind('/');
    const std::string name = slash == std::string::npos ? soname : soname.substr(slash + 1);
    const size_t so = name.find(".so");
    const std::string stem = so == std::string::npos ? name : name.substr(0, so);
    for (const char* known : kSystemStems)
        if (stem == known) return true;
    // Every libxcb part ("libxcb", "libxcb-randr", ...) and the sound server's private
    // library, which carries its version in its name ("libpulsecommon-16.1").
    return stem == "libxcb" || StartsWith(stem, "libxcb-") || StartsWith(stem, "libpulsecommon-");
}

vK_LibraryScan ParseLddOutput(const std::string& text) {
    vK_LibraryScan scan;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string name, arrow, path;
        if (!(words >> name)) continue;
        if (!(words >> arrow) || arrow != "=>") {
            // "linux-vdso.so.1 (0x...)" or "/lib64/ld-linux-x86-64.so.2 (0x...)": the loader's own.
            scan.system.push_back(name);
            continue;
        }
        words >> path;
        if (IsSystemLibrary(name)) {
            scan.system.push_back(name);
        } else if (path.empty() || path == "not" || path[0] != '/') {
            scan.missing.push_back(name);
        } else {
            scan.bundled.push_back({name, path});
        }
    }
    return scan;
}

bool RunAndCapture(const std::vector<std::string>& argv, std::string& output) {
    output.clear();
#ifdef _WIN32
    // Only the Linux export runs tools, and it packs a Linux build.
    (void)argv;
    return false;
#else
    if (argv.empty()) return false;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return false;
    }
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(pipeEnds[0], buffer, sizeof(buffer));
        if (n > 0) {
            output.append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

bool ScanSharedLibraries(const std::string& executable, vK_LibraryScan& scan, std::string& error) {
    std::string output;
    if (!RunAndCapture({"ldd", executable}, output)) {
        error = "ldd could not list the libraries of " + executable;
        return false;
    }
    scan = ParseLddOutput(output);
    return true;
}
