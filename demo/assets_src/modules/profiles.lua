-- The player screen. A new player's name is typed into the text field "player_name";
-- Enter or the button creates the player (or picks it, when one of that name exists) and
-- enters the attic; with nothing typed the player is "Player 1" (or the next free number). The rows list up to three existing players: clicking a row's item
-- plays as that player, the gear beside it deletes the player. Each row tells how many
-- items that player has found, read from the player's saved "vy_global".

local kRows = 3
local kItems = 10

local function Exists(name)
    for _, existing in ipairs(GetProfileList()) do
        if existing == name then return true end
    end
    return false
end

-- The number of items found in a player's saved progress; selects that player.
local function FoundBy(name)
    SetCurrentProfile(name)
    vy_global = {}
    if not LoadCurrentProfile() or type(vy_global.found) ~= "table" then return 0 end
    local count = 0
    for _ in pairs(vy_global.found) do count = count + 1 end
    return count
end

-- Shows a row per existing player (the first three); leaves the player that was selected
-- selected, with its progress in "vy_global" (leaving the level saves "vy_global" into the
-- selected player).
local function Refresh()
    local selected = GetCurrentProfile()
    local list = GetProfileList()
    for i = 1, kRows do
        local name = list[i]
        if name then
            ObjSet("profile_text_" .. i, {visible = true, text = "demo_player", param0 = name,
                                          param1 = tostring(FoundBy(name)), param2 = tostring(kItems)})
        end
        for _, part in ipairs({"profile_pick_", "profile_text_", "profile_delete_"}) do
            ObjSet(part .. i, {visible = name ~= nil, input = name ~= nil})
        end
    end
    vy_global = {}
    if Exists(selected) then
        SetCurrentProfile(selected)
        LoadCurrentProfile()
    end
end

local function Pick(name)
    local new = not Exists(name)
    if new then AddProfile(name) end
    SetCurrentProfile(name)
    vy_global = {}
    -- A new player has no file yet: saving writes one with empty progress.
    if not new then LoadCurrentProfile() end
    SaveProfiles()
    DbgTrace("demo: player " .. name .. " enters the attic")
    SwitchLevel("assets/modules/start", "start.Start()")
end

local function PickRow(i)
    local name = GetProfileList()[i]
    if name then Pick(name) end
end

local function DeleteRow(i)
    local name = GetProfileList()[i]
    if not name then return end
    DeleteProfile(name)
    DbgTrace("demo: player " .. name .. " deleted")
    Refresh()
end

-- The typed name without spaces around it; nil while the field still shows its prompt.
local function TypedName()
    local text = ObjGet("player_name").text or ""
    text = string.gsub(text, "^%s+", "")
    text = string.gsub(text, "%s+$", "")
    if text == "" or text == "demo_profiles_name" or text == StringGet("demo_profiles_name") then return nil end
    return text
end

-- "Player 1", "Player 2", ...: the first such name no player has.
local function FreeName()
    local n = 1
    while Exists(StringGet("demo_profiles_default", tostring(n))) do n = n + 1 end
    return StringGet("demo_profiles_default", tostring(n))
end

-- Enter in the field or the button: a field left empty (or still showing its prompt)
-- creates a player with a numbered name.
function public.OnNameEntered()
    Pick(TypedName() or FreeName())
end

function public.Start()
    ObjAttach("profiles_screen", "vy_level_internal")
    for i = 1, kRows do
        ObjSet("profile_pick_" .. i, {event_mdown = function() PickRow(i) end})
        ObjSet("profile_delete_" .. i, {event_mdown = function() DeleteRow(i) end})
    end
    ObjSet("profiles_create_button", {event_mdown = public.OnNameEntered})
    -- The field shows its prompt as the text itself (it takes no string id); the first
    -- typed character clears it.
    ObjSet("player_name", {text = StringGet("demo_profiles_name")})
    Refresh()
end
