-- The player screen: three preset players (no typing needed). Clicking a player's item
-- creates the player when it is new, selects it and enters the attic; the gear beside
-- an existing player deletes it. Each row tells how many items that player has found,
-- read from the player's saved "vy_global".

local kNames = {"Anna", "Boris", "Clara"}

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

-- Shows every row; leaves the player that was selected selected, with its progress in
-- "vy_global" (leaving the level saves "vy_global" into the selected player).
local function Refresh()
    local selected = GetCurrentProfile()
    for i, name in ipairs(kNames) do
        if Exists(name) then
            ObjSet("profile_text_" .. i, {text = "demo_player", param0 = name, param1 = tostring(FoundBy(name))})
            ObjSet("profile_delete_" .. i, {visible = true})
        else
            ObjSet("profile_text_" .. i, {text = "demo_player_new", param0 = name})
            ObjSet("profile_delete_" .. i, {visible = false})
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

local function Delete(name)
    if not Exists(name) then return end
    DeleteProfile(name)
    DbgTrace("demo: player " .. name .. " deleted")
    Refresh()
end

function public.Start()
    ObjAttach("profiles_screen", "vy_level_internal")
    for i, name in ipairs(kNames) do
        ObjSet("profile_pick_" .. i, {event_mdown = function() Pick(name) end})
        ObjSet("profile_delete_" .. i, {event_mdown = function() Delete(name) end})
    end
    Refresh()
end
