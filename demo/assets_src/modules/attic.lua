-- The hidden-object scene (attic.xml). A click on an item bursts sparkles over it, plays
-- the chime and flies it into its slot of the inventory row; a click that hits no item
-- shows a red cross where it landed. The hint button flies a marker to the first item not
-- found yet and then cools down for a while. "Well done" shows once all ten are found.
-- Found items are kept in the player's progress ("vy_global".found), so a player who
-- comes back finds them gone from the room and already in their slots.

-- The items in the order of the inventory row; "item_key" has the cell "cell_key", the
-- slot icon "slot_icon_key" and the name label "slot_name_key".
local kItems = {"item_watch", "item_key", "item_lamp", "item_gear", "item_loupe", "item_scissors",
                "item_glasses", "item_spring", "item_screwdriver", "item_hourglass"}
local kVisibleCells = 5
local kHintCooldown = 12

local count = 0
local hint_ready = true
-- Items on their way to the inventory, and the item the hint marker flies to.
local flying = {}
local hinted = nil

local function Nothing() end

local function Key(item) return string.sub(item, 6) end

local function SlotOf(item)
    for i, name in ipairs(kItems) do
        if name == item then return i end
    end
    return nil
end

-- Scrolls the row so that slot i (1-based) is in view.
local function ShowSlot(i)
    local first = ObjGet("inventory_row").scrollpos
    if i - 1 >= first and i - 1 < first + kVisibleCells then return end
    local pos = math.max(0, math.min(i - 3, #kItems - kVisibleCells))
    ObjSet("inventory_row", {scrollpos = pos})
end

local function ShowIcon(item)
    ObjSet("slot_icon_" .. Key(item), {visible = true, alp = 1, scale_x = 1, scale_y = 1})
    ObjSet("slot_name_" .. Key(item), {fontcolor_r = 0.6, fontcolor_g = 0.9, fontcolor_b = 0.5})
end

local function WellDone()
    ObjSet("well_done", {visible = true, alp = 0})
    ObjAnimate("well_done", "alp", 0, 0, Nothing, {0, 0, 0, 0.8, 0, 1})
    DbgTrace("demo: well done")
end

-- The item reached its slot: the flying copy goes, the slot shows the icon.
local function Landed(item)
    flying[item] = nil
    ObjDelete(item)
    ShowIcon(item)
    DbgTrace("demo: " .. item .. " is in slot " .. SlotOf(item))
    if count == #kItems and next(flying) == nil then WellDone() end
end

local function Found(params)
    local item = params.sender
    if vy_global.found[item] or flying[item] then return end
    vy_global.found[item] = true
    count = count + 1
    flying[item] = true
    ObjSet("counter", {param0 = tostring(count)})
    SaveProfiles()
    DbgTrace("demo: found " .. item .. ", " .. count .. " of " .. #kItems)
    if audio then audio.Found() end
    if particles then particles.Burst(item) end
    ObjSet(item, {input = false})
    ShowSlot(SlotOf(item))
    -- The slot's icon grows in as the item arrives (the flight scales it from 0).
    ObjSet("slot_icon_" .. Key(item), {visible = true, alp = 0, scale_x = 0, scale_y = 0})
    SendMessage("Command_Transporter_MoveObject",
                {obj_name = item, toobj_name = "slot_icon_" .. Key(item), type = Trans_SceneToInventory,
                 end_trig = function() Landed(item) end})
end

-- A click on the room that hit no item: a red cross fades where it landed.
local function Miss()
    local x, y = CursorPosX(), CursorPosY()
    ObjSet("miss_mark", {pos_x = x, pos_y = y, visible = true, alp = 1})
    ObjAnimate("miss_mark", "alp", 0, 0, Nothing, {0, 0, 1, 0.7, 0, 0})
    SndPlay("assets/sounds/click", "sfx", false, false)
    DbgTrace("demo: miss at " .. math.floor(x) .. ", " .. math.floor(y))
end

local function HintArrived()
    -- The flight leaves the marker shrunk under the item-flight layer: back it goes.
    ObjAttach("hint_marker", "attic_root")
    ObjSet("hint_marker", {visible = false})
    if hinted and not vy_global.found[hinted] then
        -- The item blinks twice where the marker ended.
        ObjAnimate(hinted, "alp", 0, 0, Nothing, {0, 0, 1, 0.25, 0, 0.3, 0.5, 0, 1, 0.75, 0, 0.3, 1, 0, 1})
    end
    hinted = nil
end

local function Hint()
    if not hint_ready then
        DbgTrace("demo: the hint is not ready yet")
        return
    end
    local target = nil
    for _, item in ipairs(kItems) do
        if not vy_global.found[item] and not flying[item] then
            target = item
            break
        end
    end
    if not target then return end
    hint_ready = false
    hinted = target
    ObjSet("hint_button", {alp = 0.35})
    ObjSet("hint_timer", {time = kHintCooldown, playing = true})
    local button = ObjGet("hint_button")
    ObjSet("hint_marker", {visible = true, alp = 1, scale_x = 1, scale_y = 1, ang = 0, pos_x = button.pos_x,
                           pos_y = button.pos_y})
    DbgTrace("demo: hint shows " .. target)
    SendMessage("Command_Transporter_MoveObject",
                {obj_name = "hint_marker", toobj_name = target, type = Trans_HintFly, end_trig = HintArrived})
end

function public.HintReady()
    hint_ready = true
    ObjSet("hint_button", {alp = 1})
    DbgTrace("demo: the hint is ready")
end

function public.RowScrolled()
    DbgTrace("demo: the inventory row scrolls")
end

function public.Show()
    ObjAttach("attic_root", "vy_level_internal")
    if type(vy_global.found) ~= "table" then vy_global.found = {} end
    count = 0
    flying = {}
    for _, item in ipairs(kItems) do
        if vy_global.found[item] then
            -- Found on an earlier visit: gone from the room, already in its slot.
            count = count + 1
            ObjDelete(item)
            ShowIcon(item)
        else
            ObjSet(item, {event_mdown = Found})
        end
    end
    ObjSet("counter", {param0 = tostring(count), param1 = tostring(#kItems)})
    DbgTrace("demo: " .. count .. " of " .. #kItems .. " found so far")
    ObjSet("attic_misses", {event_mdown = Miss})
    ObjSet("hint_button", {event_mdown = Hint})
    if count == #kItems then WellDone() end
end
