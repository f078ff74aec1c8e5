-- The moving parts of the start screen (motion.xml).

local swing = 0
local count = 0

-- The clock's timer ran out: show the next pendulum frame and wind the timer again.
function public.NextSwing()
    swing = (swing + 1) % 8
    ObjSet("wall_clock", {frame = swing})
    ObjSet("clock_timer", {time = 0.125, playing = true})
end

-- A click on one of the items counts it once in the counter text and saves it in the
-- player's progress ("vy_global".found).
local function Found(params)
    local name = params.sender
    if type(vy_global.found) ~= "table" then vy_global.found = {} end
    if vy_global.found[name] then return end
    vy_global.found[name] = true
    count = count + 1
    ObjSet("counter", {param0 = tostring(count)})
    SaveProfiles()
    DbgTrace("demo: found " .. name .. ", " .. count .. " of 4")
    if audio then audio.Found() end
    if particles then particles.Burst(name) end
end

function public.Show()
    ObjAttach("motion_root", "vy_level_internal")
    GridPlay("banner", nil)
    count = 0
    for _ in pairs(vy_global.found or {}) do count = count + 1 end
    ObjSet("counter", {param0 = tostring(count)})
    DbgTrace("demo: " .. count .. " of 4 found so far")
    for _, item in ipairs({"item_clock", "item_key", "item_lamp", "item_gear"}) do
        ObjSet(item, {event_mdown = Found})
    end
end
