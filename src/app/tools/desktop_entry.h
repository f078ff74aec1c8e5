#pragma once
#include <string>

// The desktop entry of an exported Linux game: NAME.desktop beside the launcher NAME in
// the package, and the copy `NAME --install-desktop-entry` (the launcher hands it to
// `vrakko --install-desktop-entry LAUNCHER`) puts into the desktop's application menu.

// The packaged entry: the title as its name, the launcher and icon beside it.
std::string PackagedDesktopEntry(const std::string& title, const std::string& name);

// A value as a desktop entry's string type writes it: backslash, newline, tab and
// carriage return as "\\", "\n", "\t", "\r".
std::string EscapeDesktopString(const std::string& value);
// The Exec= value that runs the program at path with no arguments: the path quoted,
// '"', '`', '$' and '\' escaped inside the quotes, '%' doubled (it starts field codes),
// then escaped as a string value.
std::string DesktopExecValue(const std::string& path);

// Copies LAUNCHER.desktop into "applications" under the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share), its Exec= running the launcher and its Icon=
// the icon.png beside it, and says where; the exit status (0 installed, 1 failed, after
// saying why).
int InstallDesktopEntry(const std::string& launcher);
