-- The moving parts of the start screen (motion.xml).

local swing = 0
local found = {}
local count = 0

-- The clock's timer ran out: show the next pendulum frame and wind the timer again.
function public.NextSwing()
    swing = (swing + 1) % 8
    ObjSet("wall_clock", {frame = swing})
    ObjSet("clock_timer", {time = 0.125, playing = true})
end

-- A click on one of the items counts it once in the counter text.
local function Found(params)
    local name = params.sender
    if found[name] then return end
    found[name] = true
    count = count + 1
    ObjSet("counter", {param0 = tostring(count)})
    if audio then audio.Found() end
end

function public.Show()
    ObjAttach("motion_root", "vy_level_internal")
    GridPlay("banner", nil)
    for _, item in ipairs({"item_clock", "item_key", "item_lamp", "item_gear"}) do
        ObjSet(item, {event_mdown = Found})
    end
end
