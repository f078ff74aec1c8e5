#include "app/tools/template_files.h"

namespace {

const char* const kConfig = R"~({
    "Vrakko": {
        "publisherName": "My Studio",
        "gameName": "@NAME_JSON@",
        "strings": ["assets/strings/game"]
    },
    "save_settings": {
        "folder": "@NAME_JSON@"
    },
    "start_point": {
        "module": "assets/modules/title",
        "func": "title.Start()"
    }
}
)~";

const char* const kStrings = R"~(<?xml version="1.0" encoding="utf-8"?>
<!-- The game's texts by string id. "%1%".."%5%" are the parameters a text object passes
     ("param0".."param4"). "window_title" names the window and the exported game. -->
<strings>
  <table>
    <row><id>window_title</id><text>@NAME_XML@</text></row>
    <row><id>game_title_hint</id><text>Click to continue</text></row>
    <row><id>game_profiles_title</id><text>Who is playing?</text></row>
    <row><id>game_profiles_name</id><text>Your name</text></row>
    <row><id>game_profiles_default</id><text>Player %1%</text></row>
    <row><id>game_play</id><text>Play</text></row>
    <row><id>game_found</id><text>Found %1% of %2%</text></row>
    <row><id>game_well_done</id><text>Well done!</text></row>
    <row><id>game_loading</id><text>Loading...</text></row>
  </table>
</strings>
)~";

const char* const kTitleXml = R"~(<?xml version="1.0" encoding="utf-8"?>
<!-- The title screen, the first level (config.json's "start_point"): the backdrop, the
     game's name, and "title_catcher" over everything to take the click that goes on. -->
<module name="title">
  <objs>
    <obj name="title_module">
      <obj name="title_screen">
        <spr name="title_backdrop" res="assets/images/backdrop" pos_x="512" pos_y="384" input="0"/>
        <text name="title_name" res="assets/fonts/sans" text="window_title" pos_x="512" pos_y="330" input="0"
              fontsize="48" fontcolor_r="1" fontcolor_g="0.9" fontcolor_b="0.6"
              display_shadow="1" shadow_pos_x="3" shadow_pos_y="3" shadow_aplha="0.6"/>
        <text name="title_hint" res="assets/fonts/sans" text="game_title_hint" pos_x="512" pos_y="440" input="0"
              fontsize="22"/>
        <obj name="title_catcher" pos_z="20" inputrect_init="1" inputrect_x="0" inputrect_y="0"
             inputrect_w="1024" inputrect_h="768"/>
      </obj>
    </obj>
  </objs>
</module>
)~";

const char* const kTitleLua =
    R"~(-- The title screen (title.xml): a click anywhere goes on to the player screen.
local leaving = false

function public.GoOn()
    if leaving then return end
    leaving = true
    DbgTrace("game: the title screen goes on to the players")
    SwitchLevel("assets/modules/profiles", "profiles.Start()")
end

function public.Start()
    leaving = false
    ObjAttach("title_screen", "vy_level_internal")
    -- From here on the loading screen shows while a screen opens, too.
    SendMessage("Command_Level_CanShowLoading", {visible = true})
    ObjSet("title_catcher", {event_mdown = public.GoOn})
end
)~";

const char* const kProfilesXml = R"~(<?xml version="1.0" encoding="utf-8"?>
<!-- The player screen: a field to type a name into and a button; Enter in the field or
     the button starts the level as that player. -->
<module name="profiles">
  <objs>
    <obj name="profiles_module">
      <obj name="profiles_screen">
        <spr name="profiles_backdrop" res="assets/images/backdrop" pos_x="512" pos_y="384" input="0"/>
        <text name="profiles_title" res="assets/fonts/sans" text="game_profiles_title" pos_x="512" pos_y="250"
              fontsize="34" fontcolor_r="1" fontcolor_g="0.9" fontcolor_b="0.6" input="0"/>
        <spr name="profiles_field" res="assets/images/panel" pos_x="512" pos_y="384" scale_x="0.9"
             scale_y="0.6" input="0"/>
        <textedit name="player_name" res="assets/fonts/sans" maxchars="16" clearonfirstinput="1"
                  allowed_characters="" text="game_profiles_name" maxwidth="300" fontsize="24"
                  pos_x="512" pos_y="384" trg_enter="profiles.Play()"/>
        <spr name="profiles_button" res="assets/images/button" pos_x="512" pos_y="480"/>
        <text name="profiles_play" res="assets/fonts/sans" text="game_play" pos_x="512" pos_y="480"
              fontsize="26" fontcolor_r="0.2" fontcolor_g="0.1" fontcolor_b="0.05" input="0"/>
      </obj>
    </obj>
  </objs>
</module>
)~";

const char* const kProfilesLua =
    R"~(-- The player screen (profiles.xml). The typed name becomes the selected player, created
-- when new, and the level starts; with nothing typed the player who played last goes on
-- (or "Player 1" is made). Progress lives in the player's file: "vy_global" is saved into it.
local leaving = false

local function Exists(name)
    for _, existing in ipairs(GetProfileList()) do
        if existing == name then return true end
    end
    return false
end

-- The typed name without spaces around it; nil while the field shows its prompt.
local function TypedName()
    local text = ObjGet("player_name").text or ""
    text = string.gsub(string.gsub(text, "^%s+", ""), "%s+$", "")
    if text == "" or text == StringGet("game_profiles_name") then return nil end
    return text
end

local function LastPlayer()
    local current = GetCurrentProfile()
    if current and current ~= "" and Exists(current) then return current end
    return nil
end

local function FreeName()
    local n = 1
    while Exists(StringGet("game_profiles_default", tostring(n))) do n = n + 1 end
    return StringGet("game_profiles_default", tostring(n))
end

function public.Play()
    if leaving then return end
    leaving = true
    local name = TypedName() or LastPlayer() or FreeName()
    local new = not Exists(name)
    if new then AddProfile(name) end
    SetCurrentProfile(name)
    vy_global = {}
    if not new then LoadCurrentProfile() end
    SaveProfiles()
    DbgTrace("game: player " .. name .. " starts the level")
    SwitchLevel("assets/modules/level", "level.Start()")
end

function public.Start()
    leaving = false
    ObjAttach("profiles_screen", "vy_level_internal")
    ObjSet("profiles_button", {event_mdown = public.Play})
    -- The field shows its prompt as its text; the first typed character clears it.
    ObjSet("player_name", {text = StringGet("game_profiles_name")})
end
)~";

const char* const kLevelXml = R"~(<?xml version="1.0" encoding="utf-8"?>
<!-- The level: three items lie in the room; the inventory panel at the bottom has a slot
     for each, with the item's icon hidden until it is found. level.lua plays it. -->
<module name="level">
  <objs>
    <obj name="level_module">
      <obj name="level_root">
        <spr name="level_backdrop" res="assets/images/backdrop" pos_x="512" pos_y="384" input="0"/>
        <spr name="item_ball" res="assets/images/ball" pos_x="250" pos_y="300"/>
        <spr name="item_box" res="assets/images/box" pos_x="560" pos_y="470" ang="0.3"/>
        <spr name="item_gem" res="assets/images/gem" pos_x="820" pos_y="260"/>
        <obj name="inventory" pos_z="5">
          <spr name="inventory_panel" res="assets/images/panel" pos_x="512" pos_y="712" input="0"/>
          <spr name="slot_ball" res="assets/images/slot" pos_x="412" pos_y="712" input="0"/>
          <spr name="slot_box" res="assets/images/slot" pos_x="512" pos_y="712" input="0"/>
          <spr name="slot_gem" res="assets/images/slot" pos_x="612" pos_y="712" input="0"/>
          <spr name="slot_icon_ball" res="assets/images/ball" pos_x="412" pos_y="712" visible="0" input="0"/>
          <spr name="slot_icon_box" res="assets/images/box" pos_x="512" pos_y="712" visible="0" input="0"/>
          <spr name="slot_icon_gem" res="assets/images/gem" pos_x="612" pos_y="712" visible="0" input="0"/>
        </obj>
        <text name="level_counter" res="assets/fonts/sans" text="game_found" pos_x="512" pos_y="40"
              fontsize="26" input="0"/>
        <text name="well_done" res="assets/fonts/sans" text="game_well_done" visible="0" input="0" pos_z="6"
              pos_x="512" pos_y="384" fontsize="60" fontcolor_r="1" fontcolor_g="0.9" fontcolor_b="0.55"
              display_outline="1" outline_size="4" outline_color_r="0.15" outline_color_g="0.07"
              outline_color_b="0.02" outline_alpha="1"/>
      </obj>
    </obj>
  </objs>
</module>
)~";

const char* const kLevelLua =
    R"~(-- The level (level.xml). A click on an item plays the chime and flies the item into
-- its slot (an item flight through the transporter); "Well done" shows when all three
-- are in. Found items are kept in the player's progress ("vy_global".found).
local kItems = {"item_ball", "item_box", "item_gem"}

local count = 0
local landed = 0

local function Nothing() end

local function Icon(item) return "slot_icon_" .. string.sub(item, 6) end

local function WellDone()
    ObjSet("well_done", {visible = true, alp = 0})
    ObjAnimate("well_done", "alp", 0, 0, Nothing, {0, 0, 0, 0.8, 0, 1})
    DbgTrace("game: well done")
end

local function Landed(item)
    ObjDelete(item)
    ObjSet(Icon(item), {visible = true, alp = 1, scale_x = 1, scale_y = 1})
    landed = landed + 1
    DbgTrace("game: " .. item .. " is in its slot")
    if landed == #kItems then WellDone() end
end

local function Found(params)
    local item = params.sender
    if vy_global.found[item] then return end
    vy_global.found[item] = true
    count = count + 1
    SaveProfiles()
    ObjSet("level_counter", {param0 = tostring(count)})
    DbgTrace("game: found " .. item .. ", " .. count .. " of " .. #kItems)
    SndPlay("assets/sounds/found", "sfx", false, false)
    ObjSet(item, {input = false})
    -- The icon grows in as the item arrives (the flight scales it from 0).
    ObjSet(Icon(item), {visible = true, alp = 0, scale_x = 0, scale_y = 0})
    SendMessage("Command_Transporter_MoveObject",
                {obj_name = item, toobj_name = Icon(item), type = Trans_SceneToInventory,
                 end_trig = function() Landed(item) end})
end

function public.Start()
    LoadCurrentProfile()
    if type(vy_global.found) ~= "table" then vy_global.found = {} end
    ObjAttach("level_root", "vy_level_internal")
    count = 0
    landed = 0
    for _, item in ipairs(kItems) do
        if vy_global.found[item] then
            -- Found on an earlier visit: gone from the room, already in its slot.
            count = count + 1
            landed = landed + 1
            ObjDelete(item)
            ObjSet(Icon(item), {visible = true})
        else
            ObjSet(item, {event_mdown = Found})
        end
    end
    ObjSet("level_counter", {param0 = tostring(count), param1 = tostring(#kItems)})
    DbgTrace("game: " .. count .. " of " .. #kItems .. " found so far")
    if landed == #kItems then WellDone() end
end
)~";

const char* const kLoadingXml = R"~(<?xml version="1.0" encoding="utf-8"?>
<!-- The loading screen every level fades in before it is replaced and out when it opens. -->
<module name="int_loading">
  <objs>
    <obj name="int_loading_module">
      <obj name="int_loading">
        <spr name="int_loading_backdrop" res="assets/images/backdrop" pos_x="512" pos_y="384"/>
        <text name="int_loading_text" res="assets/fonts/sans" text="game_loading" pos_x="512" pos_y="384"
              fontsize="34" fontcolor_r="1" fontcolor_g="0.9" fontcolor_b="0.6"/>
      </obj>
    </obj>
  </objs>
</module>
)~";

const char* const kLoadingLua =
    R"~(-- The loading screen: the level shows, hides and fades it; nothing to prepare.
function public.Init()
end
)~";

const char* const kRecording = R"~(vrakko-recording 1
# The play-through: replay it with
#   vrakko --root . --save-dir /tmp/replay-save --replay playthrough.rec
# One event a line: FRAME (frames run before it) down|up|move X Y, char CODE,
# keydown|keyup KEY, wheel CODE X Y; FRAME end closes the run. A level ignores input
# during its first 25 frames (its opening fade). Record a new one with --record FILE.
seed 1
display 1024 768 fullscreen
# The title screen: a click goes on to the player screen.
30 down 512 600
31 up 512 600
# The player screen: the button, with no name typed, makes "Player 1" and starts.
84 down 512 480
85 up 512 480
# The level: the ball, the box and the gem, each flying into its slot.
160 down 250 300
161 up 250 300
190 down 560 470
191 up 560 470
220 down 820 260
221 up 820 260
330 end
)~";

const char* const kReadme = R"~(# @NAME_MD@

A game for the Vrakko engine, started from its template. Run it from this folder:

    vrakko --root . --windowed

## What is here

| Path | What |
|---|---|
| `assets/config.json` | publisher and game name (the save folder), the string tables, the first level |
| `assets/strings/game.xml` | every text the player reads, by string id; `window_title` names the window |
| `assets/modules/title.*` | the title screen: a click goes on |
| `assets/modules/profiles.*` | the player screen: type a name, press Enter or the button |
| `assets/modules/level.*` | the level: three items to click; each flies into its inventory slot |
| `assets/shared/interface/int_loading.*` | the loading screen shown between screens |
| `assets/images/` | the pictures (8-bit RGBA PNG) |
| `assets/fonts/sans.vkfnt` | DejaVu Sans in the engine's font format; `vkfont` converts others (`sans_b.vkfnt` adds bold) |
| `assets/sounds/found.ogg` | the chime of a found item (Ogg Vorbis) |
| `playthrough.rec` | a recorded play-through that wins the level |

A module is an `.xml` file with its objects and a `.lua` file whose `public` functions
the game calls (`level.Start()`); `vrakko --api` lists every script function.

## While you work

    vrakko --root . --dev                # reloads changed assets; F1, F2, F3: inspector, console, profiler
    vrakko --check --root .              # every fault of the tree, with file and line
    vrakko --root . --save-dir /tmp/s --replay playthrough.rec   # the play-through
    vrakko --root . --record my.rec      # record a new one

After moving an item, record the play-through again (or edit the click positions in
`playthrough.rec`, one event a line).

## Shipping

    vrakko --export out --target linux --root .     # out/NAME-linux/ and out/NAME-linux.tar.gz
    vrakko --export out --target windows --root .   # out/NAME-windows.zip (needs the Windows build)

An `assets/icon.png` of 256 x 256 becomes the game's icon.
)~";

}  // namespace

std::vector<vK_TemplateFile> TemplateTextFiles() {
    return {
        {"assets/config.json", kConfig},
        {"assets/strings/game.xml", kStrings},
        {"assets/modules/title.xml", kTitleXml},
        {"assets/modules/title.lua", kTitleLua},
        {"assets/modules/profiles.xml", kProfilesXml},
        {"assets/modules/profiles.lua", kProfilesLua},
        {"assets/modules/level.xml", kLevelXml},
        {"assets/modules/level.lua", kLevelLua},
        {"assets/shared/interface/int_loading.xml", kLoadingXml},
        {"assets/shared/interface/int_loading.lua", kLoadingLua},
        {"playthrough.rec", kRecording},
        {"README.md", kReadme},
    };
}
