#pragma once
// The peer framework's side of the bunnymark: the same scene written as a game for the
// Lua 2D framework Debian packages as `love` (the game folder is
// ../shared/bench/love-bunnymark/game beside the source tree, or $VRAKKO_PEER_GAME).
// The benchmark programs run it in the same run as their own scenes, on SDL's
// offscreen driver, and print its frame rate beside ours.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

// The goals of the sprite scenarios, printed beside the figures.
constexpr double kGoalLuaFps10k = 60.0;  // Lua-moved sprites, 10,000
constexpr double kGoalLuaFps20k = 45.0;  // Lua-moved sprites, 20,000

// Frames per second of the peer's bunnymark per N (texture edge `variant`, 4 or 32;
// ns a comma-separated list); empty when `love` or the game is missing or the run
// failed. Each N runs 30 warm-up and 120 measured frames.
inline std::map<int, double> RunPeerBunnymark(int variant, const std::string& ns) {
    std::map<int, double> fps;
    const char* env = std::getenv("VRAKKO_PEER_GAME");
    const std::string game =
        env ? env : std::string(VRAKKO_SOURCE_DIR) + "/../shared/bench/love-bunnymark/game";
    if (!std::filesystem::exists(game + "/main.lua")) return fps;
    if (std::system("command -v love >/dev/null 2>&1") != 0) return fps;
    const std::string out = "/tmp/vrakko_peer_" + std::to_string(getpid()) + ".tsv";
    const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy love '" + game +
                                "' --variant " + std::to_string(variant) + " --ns " + ns +
                                " --warmup 30 --frames 120 --out " + out + " >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
        // Rows: variant, N, frames, frame_mean_ms, ...; comment lines start with '#'.
        std::ifstream in(out);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#' || line.compare(0, 7, "variant") == 0) continue;
            std::istringstream row(line);
            int v = 0, n = 0, frames = 0;
            double mean = 0;
            if (row >> v >> n >> frames >> mean && mean > 0) fps[n] = 1000.0 / mean;
        }
    }
    std::filesystem::remove(out);
    return fps;
}

// "57.7" or "-" when the peer did not run.
inline std::string PeerFps(const std::map<int, double>& peer, int n) {
    auto it = peer.find(n);
    if (it == peer.end()) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", it->second);
    return text;
}

// Frames per second measured the way the peer measures its own: `warmup` frames, then
// `frames` frames, each ending in a present rather than a wait for the driver, so the
// driver may rasterise one frame while the next is built (as the engine's own loop does);
// the clock runs until the last frame is finished. `step` runs one whole frame including
// its present; `finish` waits for the driver.
template <typename Step, typename Finish>
double PresentedFps(Step step, Finish finish, int warmup = 30, int frames = 120) {
    for (int i = 0; i < warmup; ++i) step();
    finish();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) step();
    finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return seconds > 0 ? frames / seconds : 0.0;
}
