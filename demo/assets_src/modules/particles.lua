-- The particles of the attic (particles.xml).

local spots = {{300, 180}, {512, 200}, {724, 180}, {860, 460}}
local next_spot = 1

-- The sparkle timer ran out: burst over the next spot and wind the timer again.
function public.Sparkle()
    local spot = spots[next_spot]
    next_spot = next_spot % #spots + 1
    ObjSet("sparkle", {pos_x = spot[1], pos_y = spot[2]})
    PartSysRestart("sparkle")
    ObjSet("sparkle_timer", {time = 2.5, playing = true})
end

-- An item was found: burst the sparkles over it and hold back the next timed burst.
function public.Burst(item)
    local props = ObjGet(item)
    if not props then return end
    ObjSet("sparkle", {pos_x = props.pos_x, pos_y = props.pos_y})
    PartSysRestart("sparkle")
    ObjSet("sparkle_timer", {time = 2.5, playing = true})
end

-- In the level's content, over the items: the loading screen covers them as it fades.
function public.Show()
    ObjAttach("particles_root", "vy_level_internal")
end
