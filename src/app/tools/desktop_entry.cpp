#include "app/tools/desktop_entry.h"

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

#include "app/tools/tool_files.h"
#include "files/os_services.h"

std::string PackagedDesktopEntry(const std::string& title, const std::string& name) {
    std::string oneLine;
    for (char c : title)
        if (c != '\n' && c != '\r') oneLine += c;
    return "[Desktop Entry]\nType=Application\nName=" + EscapeDesktopString(oneLine) + "\nExec=" + name +
           "\nIcon=icon.png\nTerminal=false\nCategories=Game;\n";
}

std::string EscapeDesktopString(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string DesktopExecValue(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
        if (c == '%') quoted += '%';
    }
    return EscapeDesktopString(quoted + "\"");
}

int InstallDesktopEntry(const std::string& launcher) {
    const auto fail = [](const std::string& why) {
        std::fprintf(stderr, "vrakko --install-desktop-entry: %s; nothing was installed\n", why.c_str());
        return 1;
    };
    if (launcher.empty()) return fail("give the game's launcher (--install-desktop-entry LAUNCHER)");
    const std::filesystem::path path = OsPath(OsAbsolutePath(launcher)).lexically_normal();
    const std::string name = OsPathText(path.filename());
    if (name.empty()) return fail("give the game's launcher, not a folder");
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadToolFile(OsPathText(path) + ".desktop", bytes, error)) return fail(error);
    const std::string icon = OsPathText(path.parent_path() / "icon.png");
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string entry;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Exec=", 0) == 0) line = "Exec=" + DesktopExecValue(OsPathText(path));
        if (line.rfind("Icon=", 0) == 0) line = "Icon=" + EscapeDesktopString(icon);
        entry += line + "\n";
    }
    const std::string data = OsUserDataFolder();
    if (data.empty()) return fail("there is no home folder (HOME) to install into");
    const std::string target = data + "/applications/" + name + ".desktop";
    if (!ReplaceToolFile(target, {entry.begin(), entry.end()}, 0644, error)) return fail(error);
    std::printf("installed %s\n", target.c_str());
    return 0;
}
