#pragma once
#include <string>
#include <vector>

// The shared libraries an executable loads, as the dynamic linker resolves them, and
// which of them a game has to carry because a plain Debian or Ubuntu desktop may lack
// them.
struct vK_SharedLibrary {
    std::string soname;  // the name the executable asks for ("libSDL2-2.0.so.0")
    std::string path;    // the file the linker resolved it to
};

struct vK_LibraryScan {
    std::vector<vK_SharedLibrary> bundled;  // to ship beside the executable, in ldd's order
    std::vector<std::string> system;        // present on every desktop: left out
    std::vector<std::string> missing;       // the linker found no file for these
};

// Sorts the lines `ldd` prints ("\tlibz.so.1 => /lib/.../libz.so.1 (0x...)") into
// bundled, system and missing libraries.
vK_LibraryScan ParseLddOutput(const std::string& text);

// True for libraries every desktop has and a game must not carry: the C library and
// its loader, the C++ runtime, the graphics drivers' libraries (GL, EGL, GLX, DRM, GBM),
// the windowing and sound-server clients, and the low-level libraries those drivers
// load themselves (compression, expat, ffi, udev, ...). A bundled copy of one of these
// would shadow the system's newer one for the drivers too.
bool IsSystemLibrary(const std::string& soname);

// Runs `ldd` on executable; false (with error set) when it can not run or fails.
bool ScanSharedLibraries(const std::string& executable, vK_LibraryScan& scan, std::string& error);

// Runs argv[0] (looked up on PATH) with the arguments, without a shell, and collects
// its standard output; false when it could not start or exited with a non-zero status.
bool RunAndCapture(const std::vector<std::string>& argv, std::string& output);
