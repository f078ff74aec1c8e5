#pragma once
// A game of two twin levels that switch to each other a few frames after they start, for
// the leak test and the memory benchmark. Each level holds every kind of content a level
// can hold: plain sprites of one image, atlas frames, a grid, texts (a text object and an
// adaptive one), frame, complex and flash animations, the three kinds of particle system,
// a video, a short sound (retained) and a looping one, a timer that restarts itself, a
// property animation, a module instance and a module, and a script message subscription.
// The images, fonts, animations, particles, sounds and videos are the demo's.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/image_codec.h"

namespace switch_game {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A size x size PNG with a chequer of opaque and transparent 8-pixel cells.
inline bool WriteChequer(const std::filesystem::path& path, int size) {
    std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * size + x) * 4];
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = 128;
            p[3] = ((x / 8 + y / 8) % 2) ? 255 : 0;
        }
    std::vector<uint8_t> png;
    if (!EncodePng(pixels.data(), size, size, png)) return false;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return true;
}

// One level module: `sprites` sprites of the chequer (drawn at an eighth of its size, so that
// a software rasteriser keeps up), then one of everything else; its
// Start attaches the content and starts sounds, the video, a property animation, a module
// instance and a message subscription; its timer switches to `other` after 0.1 s.
inline void WriteLevel(const std::filesystem::path& modules, const std::string& m, const std::string& other,
                       int sprites) {
    std::string objs;
    for (int i = 0; i < sprites; ++i)
        objs += "<spr name=\"" + m + "_s" + std::to_string(i) +
                "\" res=\"assets/images/chequer\" scale_x=\"0.125\" scale_y=\"0.125\" pos_x=\"" +
                std::to_string(i * 13 % 1024) + "\" pos_y=\"" + std::to_string(i * 7 % 768) + "\"/>";
    for (int i = 0; i < 10; ++i)
        objs += "<spr name=\"" + m + "_f" + std::to_string(i) +
                "\" res=\"assets/images/hidden_items\" frame=\"" + std::to_string(i) + "\" pos_x=\"" +
                std::to_string(100 + i * 60) + "\" pos_y=\"300\"/>";
    objs += "<grid name=\"" + m + "_grid\" res=\"assets/grids/banner\" pos_x=\"880\" pos_y=\"320\"/>";
    objs +=
        "<text name=\"" + m +
        "_text\" res=\"assets/fonts/serif\" text=\"demo_title\" pos_x=\"512\" pos_y=\"380\" fontsize=\"46\" "
        "display_shadow=\"1\" shadow_pos_x=\"3\" display_outline=\"1\"/>";
    objs += "<textadapt name=\"" + m +
            "_adapt\" res=\"assets/fonts/sans\" text=\"demo_item_watch\" maxwidth=\"86\" max_fontsize=\"14\" "
            "min_fontsize=\"11\"/>";
    objs += "<anim name=\"" + m + "_bird\" res=\"assets/anims/bird\" animfunc=\"idle\" playing=\"1\"/>";
    objs += "<anim name=\"" + m + "_candle\" res=\"assets/anims/candle\" animfunc=\"burn\" playing=\"1\"/>";
    objs += "<anim name=\"" + m + "_gear\" res=\"assets/anims/gear\" playing=\"1\"/>";
    objs += "<partsys name=\"" + m + "_dust\" res=\"assets/particles/dust\" pos_x=\"250\" pos_y=\"260\"/>";
    objs +=
        "<partsys name=\"" + m + "_sparkle\" res=\"assets/particles/sparkle\" pos_x=\"512\" pos_y=\"200\"/>";
    objs +=
        "<partsys name=\"" + m + "_flies\" res=\"assets/particles/fireflies\" pos_y=\"660\" playing=\"1\"/>";
    objs += "<video name=\"" + m + "_video\" res=\"assets/videos/intro\" pos_x=\"900\" pos_y=\"130\"/>";
    objs += "<timer name=\"" + m + "_tick\" time=\"0.05\" playing=\"1\" endtrig=\"" + m + ".Tick()\"/>";
    objs += "<timer name=\"" + m + "_timer\" time=\"0.1\" playing=\"1\" endtrig=\"" + m + ".Go()\"/>";
    WriteText(modules / (m + ".xml"), "<module name=\"" + m + "\"><objs><obj name=\"" + m +
                                          "_module\"><obj name=\"" + m + "_root\">" + objs +
                                          "</obj></obj></objs></module>");
    WriteText(modules / (m + ".lua"),
              "function public.Start()\n"
              "  ObjAttach('" +
                  m +
                  "_root', 'vy_level_internal')\n"
                  "  SndPlay('assets/sounds/click', 'sfx', false, false)\n"
                  "  SndPlay('assets/sounds/ambient', 'ambient', true, false, 0.5)\n"
                  "  VidPlay('" +
                  m +
                  "_video', function() end)\n"
                  "  ObjAnimate('" +
                  m +
                  "_root', 'alp', 0, 0, function() end, {0, 0, 1, 0.7, 0, 0})\n"
                  "  public.helper = vk.mod.LoadInstance('assets/modules/helper', true, '" +
                  m +
                  "_h_')\n"
                  "  ModLoad('assets/modules/helper')\n"
                  "  MsgSubscribe('Event_Switch_Game', function() end)\n"
                  "end\n"
                  "function public.Tick() ObjSet('" +
                  m +
                  "_tick', {time = 0.05, playing = true}) end\n"
                  "function public.Go() SwitchLevel('assets/modules/" +
                  other + "', '" + other + ".Start()') end\n");
}

// Writes the game under root/assets, copying the demo's asset folders from demoAssets.
// False when something could not be written or copied.
inline bool Write(const std::filesystem::path& root, const std::filesystem::path& demoAssets, int sprites) {
    namespace fs = std::filesystem;
    const fs::path assets = root / "assets";
    std::error_code error;
    fs::create_directories(assets, error);
    for (const char* folder :
         {"images", "fonts", "particles", "sounds", "videos", "anims", "grids", "strings", "shared"}) {
        fs::copy(demoAssets / folder, assets / folder, fs::copy_options::recursive, error);
        if (error) return false;
    }
    WriteText(assets / "config.json",
              "{\"Vrakko\": {\"publisherName\": \"Vrakko Tests\", \"gameName\": \"Switch\", "
              "\"strings\": [\"assets/strings/demo\"]}, \"save_settings\": {\"folder\": \"Switch\"}, "
              "\"start_point\": {\"module\": \"assets/modules/a\", \"func\": \"a.Start()\"}}");
    WriteText(assets / "modules/helper.xml",
              "<module name=\"helper\"><objs><obj name=\"helper\"><obj "
              "name=\"helper_mark\"/></obj></objs></module>");
    WriteText(assets / "modules/helper.lua", "function public.Hello() return 1 end\n");
    WriteLevel(assets / "modules", "a", "b", sprites);
    WriteLevel(assets / "modules", "b", "a", sprites);
    return WriteChequer(assets / "images/chequer.png", 256);
}

}  // namespace switch_game
